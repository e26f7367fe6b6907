#!/usr/bin/env python3
"""Lays out the Windows package from a build folder and makes its zip, its
installer and their checksums.

The package is one folder, Setwright-<version>, holding every program the
build lists in deliverables.txt, the catalogues as
Lang/<ll_CC>/LC_MESSAGES/PrinterConfig.mo and README.txt (CRLF). Each program
must carry the version of the VERSION file in its version resource and no
link time in its PE header; the zip's entries are sorted and carry one fixed
time (SOURCE_DATE_EPOCH), so the same sources give the same zip."""
import argparse
import glob
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MACHINES = {"x86": 0x14C, "x64": 0x8664}


def fail(message):
    print("pack: " + message, file=sys.stderr)
    sys.exit(1)


def read_version():
    with open(os.path.join(ROOT, "VERSION"), encoding="ascii") as f:
        version = f.readline().strip()
    parts = version.split(".")
    if len(parts) != 4 or not all(p.isdigit() and int(p) < 65536 for p in parts):
        fail("VERSION must hold four numbers such as 1.0.0.1, not %r" % version)
    return version


def pe_facts(path):
    """(machine, link time, file version) of a PE file; version is None
    without a version resource."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        fail("%s is not a Windows program" % path)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        fail("%s has no PE header" % path)
    machine, _, stamp = struct.unpack_from("<HHI", data, pe + 4)
    # VS_FIXEDFILEINFO starts with its signature 0xFEEF04BD.
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    version = None
    if at >= 0:
        ms, ls = struct.unpack_from("<II", data, at + 8)
        version = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    return machine, stamp, version


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def stage(build, dest, version, arch):
    """Copies the package's files below dest/Setwright-<version>; returns that
    folder and the package-relative paths, sorted."""
    listing = os.path.join(build, "deliverables.txt")
    if not os.path.isfile(listing):
        fail("%s is missing: build first" % listing)
    with open(listing, encoding="utf-8") as f:
        programs = [line.strip() for line in f if line.strip()]
    top = os.path.join(dest, "Setwright-" + version)
    shutil.rmtree(dest, ignore_errors=True)
    os.makedirs(top)
    files = []
    for program in programs:
        if not os.path.isfile(program):
            fail("%s is missing: build first" % program)
        machine, stamp, found = pe_facts(program)
        name = os.path.basename(program)
        if machine != MACHINES[arch]:
            fail("%s is not a %s program" % (name, arch))
        if stamp != 0:
            fail("%s carries a link time (0x%08X)" % (name, stamp))
        if found != version:
            fail("%s has version %s, VERSION says %s" % (name, found, version))
        shutil.copyfile(program, os.path.join(top, name))
        files.append(name)
    catalogues = sorted(glob.glob(os.path.join(build, "Lang", "*", "LC_MESSAGES", "PrinterConfig.mo")))
    if not catalogues:
        fail("no catalogues below %s/Lang: build first" % build)
    for mo in catalogues:
        rel = os.path.relpath(mo, build)
        os.makedirs(os.path.join(top, os.path.dirname(rel)), exist_ok=True)
        shutil.copyfile(mo, os.path.join(top, rel))
        files.append(rel.replace(os.sep, "/"))
    with open(os.path.join(ROOT, "packaging", "README.txt"), encoding="utf-8") as f:
        readme = f.read().replace("@VERSION@", version)
    with open(os.path.join(top, "README.txt"), "wb") as f:
        f.write(crlf(readme).encode("utf-8"))
    files.append("README.txt")
    return top, sorted(files)


def write_zip(top, files, path, epoch):
    """The package folder as a zip: directories first where they begin, every
    entry sorted, one fixed time, fixed attributes."""
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip times start in 1980
    name = os.path.basename(top)
    entries = set()
    for rel in files:
        parts = rel.split("/")
        for depth in range(1, len(parts)):
            entries.add("/".join(parts[:depth]) + "/")
        entries.add(rel)
    with zipfile.ZipFile(path, "w") as archive:
        for entry in [name + "/"] + sorted(name + "/" + e for e in entries):
            info = zipfile.ZipInfo(entry, date_time=stamp)
            info.create_system = 0
            if entry.endswith("/"):
                info.external_attr = 0x10  # MS-DOS directory
                archive.writestr(info, b"")
            else:
                info.external_attr = 0x20  # MS-DOS archive bit
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(os.path.join(os.path.dirname(top), entry), "rb") as f:
                    archive.writestr(info, f.read(), compresslevel=9)


def nsis_path(rel):
    return rel.replace("/", "\\")


def write_file_lists(top, files, path):
    """NSIS macros that install and remove exactly the package's files."""
    lines = ["; Generated by packaging/pack.py: the package's files.", "!macro InstallPackageFiles"]
    folder = None
    for rel in files:
        sub = os.path.dirname(rel)
        if sub != folder:
            lines.append('  SetOutPath "$INSTDIR%s"' % ("\\" + nsis_path(sub) if sub else ""))
            folder = sub
        lines.append('  File "%s"' % os.path.join(top, rel))
    lines.append('  SetOutPath "$INSTDIR"')
    lines += ["!macroend", "", "!macro RemovePackageFiles"]
    folders = set()
    for rel in files:
        lines.append('  Delete "$INSTDIR\\%s"' % nsis_path(rel))
        parts = rel.split("/")[:-1]
        for depth in range(1, len(parts) + 1):
            folders.add("/".join(parts[:depth]))
    for sub in sorted(folders, key=lambda f: (-f.count("/"), f)):
        lines.append('  RMDir "$INSTDIR\\%s"' % nsis_path(sub))
    lines += ["!macroend", ""]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def make_installer(top, files, version, target, outfile):
    lists = os.path.join(os.path.dirname(top), "files.nsh")
    write_file_lists(top, files, lists)
    command = ["makensis", "-V2", "-NOCD",
               "-DVERSION=" + version, "-DFILES=" + lists, "-DOUTFILE=" + outfile,
               "-DTARGET=" + target, os.path.join(ROOT, "packaging", "Setwright.nsi")]
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        print(result.stdout, file=sys.stderr)
        fail("makensis failed")


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            digest.update(block)
    return digest.hexdigest()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="build folder with deliverables.txt")
    parser.add_argument("--out", required=True, help="folder for the results")
    parser.add_argument("--arch", choices=sorted(MACHINES), default="x86")
    parser.add_argument("--zip", action="store_true", help="make Setwright-<version>-win32.zip")
    parser.add_argument("--installer", metavar="TARGET",
                        help="make the setup program for this NSIS target (x86-unicode, amd64-unicode)")
    parser.add_argument("--setup-name", help="file name of the setup program")
    args = parser.parse_args()

    version = read_version()
    out = os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    top, files = stage(os.path.abspath(args.build), os.path.join(out, "stage"), version, args.arch)
    # The installer keeps each file's time: the staged files all carry the
    # package's fixed time too.
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))
    for rel in files:
        os.utime(os.path.join(top, rel), (epoch, epoch))
    made = []
    if args.zip:
        path = os.path.join(out, "Setwright-%s-win32.zip" % version)
        write_zip(top, files, path, epoch)
        made.append(path)
    if args.installer:
        path = os.path.join(out, args.setup_name or "Setwright-%s-setup.exe" % version)
        make_installer(top, files, version, args.installer, path)
        made.append(path)
    if args.zip and args.installer:
        with open(os.path.join(out, "SHA256SUMS"), "w", encoding="ascii") as f:
            for path in made:
                f.write("%s  %s\n" % (sha256(path), os.path.basename(path)))
    for path in made:
        print(path)


if __name__ == "__main__":
    main()
