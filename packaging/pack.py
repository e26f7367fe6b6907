#!/usr/bin/env python3
"""Lays out the Windows package from a build folder and makes its zip, its
NSIS installer, its MSI package and their checksums.

The package is one folder, Setwright-<version>, holding every program the
build lists in deliverables.txt, the catalogues as
Lang/<ll_CC>/LC_MESSAGES/PrinterConfig.mo and README.txt (CRLF). Each program
must carry the version of the VERSION file in its version resource and no
link time in its PE header; the zip's entries are sorted and carry one fixed
time (SOURCE_DATE_EPOCH), so the same sources give the same zip.

With a signing key (SW_SIGN_PKCS12, SW_SIGN_PASSWORD_FILE) every program and
DLL is signed before the zip and the installers take it, and so are the
uninstaller, the setup program and the MSI package (Authenticode, SHA-256,
signed at SOURCE_DATE_EPOCH; with SW_SIGN_TIMESTAMP_URL also timestamped)."""
import argparse
import glob
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import uuid
import zipfile
from xml.sax.saxutils import escape, quoteattr

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MACHINES = {"x86": 0x14C, "x64": 0x8664}

# The MSI package's UpgradeCode: the same for every version, for ever. The
# ProductCode and the component GUIDs are derived from it (name-based UUIDs),
# so each version has its own ProductCode and the same sources give the same
# codes.
UPGRADE_CODE = "{E86BF0DE-B8CC-484C-A3F3-C652B9D521D0}"
CODE_SPACE = uuid.UUID(UPGRADE_CODE)
PUBLISHER = "Korvel"


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


def msi_version(version):
    """The MSI ProductVersion of a package version a.b.c.d: a.b.(c*1000+d).
    Windows Installer compares only three fields (at most 255.255.65535), so
    c and d share the third one; every higher VERSION within these ranges is
    a higher MSI version."""
    a, b, c, d = (int(p) for p in version.split("."))
    if a > 255 or b > 255 or c > 64 or d > 999:
        fail("the MSI version of %s needs a, b <= 255, c <= 64 and d <= 999 in a.b.c.d" % version)
    return "%d.%d.%d" % (a, b, c * 1000 + d)


def code(name):
    return "{%s}" % str(uuid.uuid5(CODE_SPACE, name)).upper()


def product_code(version):
    return code("product " + version)


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


def stage(build, dest, version, arch, label):
    """Copies the package's files below dest/Setwright-<label>; returns that
    folder and the package-relative paths, sorted. The programs must carry
    version; label is the package's version (the same, except for tests that
    pack older-looking packages)."""
    listing = os.path.join(build, "deliverables.txt")
    if not os.path.isfile(listing):
        fail("%s is missing: build first" % listing)
    with open(listing, encoding="utf-8") as f:
        programs = [line.strip() for line in f if line.strip()]
    top = os.path.join(dest, "Setwright-" + label)
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
        readme = f.read()
    for key, value in (("@VERSION@", label), ("@MSI_VERSION@", msi_version(label)),
                       ("@PRODUCT_CODE@", product_code(label)), ("@UPGRADE_CODE@", UPGRADE_CODE)):
        readme = readme.replace(key, value)
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



class Signer:
    """Authenticode signing with osslsigncode, from the PKCS#12 file that
    SW_SIGN_PKCS12 names and the password in the file SW_SIGN_PASSWORD_FILE
    names (read by osslsigncode itself: the password is on no command line).
    The signing time is SOURCE_DATE_EPOCH, so without a timestamp server the
    same files and key give the same signed bytes."""

    def __init__(self, epoch):
        self.pkcs12 = os.environ.get("SW_SIGN_PKCS12", "")
        self.password_file = os.environ.get("SW_SIGN_PASSWORD_FILE", "")
        self.timestamp_url = os.environ.get("SW_SIGN_TIMESTAMP_URL", "")
        self.epoch = epoch
        if not self.pkcs12:
            return
        for name, path in (("SW_SIGN_PKCS12", self.pkcs12), ("SW_SIGN_PASSWORD_FILE", self.password_file)):
            if not path or not os.path.isfile(path):
                fail("%s names no file (%r): cannot sign" % (name, path))

    def __bool__(self):
        return bool(self.pkcs12)

    def sign(self, path):
        command = ["osslsigncode", "sign", "-pkcs12", self.pkcs12, "-readpass", self.password_file,
                   "-h", "sha256", "-n", "Setwright", "-time", str(self.epoch)]
        if self.timestamp_url:
            command += ["-ts", self.timestamp_url]
        signed = path + ".signed"
        result = subprocess.run(command + ["-in", path, "-out", signed],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if result.returncode != 0 or not os.path.isfile(signed):
            print(result.stdout, file=sys.stderr)
            if os.path.exists(signed):
                os.remove(signed)
            fail("signing %s failed" % os.path.basename(path))
        os.replace(signed, path)


def write_file_lists(top, files, path, signer):
    """NSIS macros over exactly the package's files: install them and record
    each under the uninstall entry, remove them, find one that an earlier
    installation did not record ($R8), and tell whether a name is one of
    them. When signing, the command that signs the uninstaller."""
    lines = ["; Generated by packaging/pack.py: the package's files.", "!macro InstallPackageFiles"]
    folder = None
    for rel in files:
        sub = os.path.dirname(rel)
        if sub != folder:
            lines.append('  SetOutPath "$INSTDIR%s"' % ("\\" + nsis_path(sub) if sub else ""))
            folder = sub
        lines.append('  File "%s"' % os.path.join(top, rel))
    lines.append('  SetOutPath "$INSTDIR"')
    for rel in files:
        lines.append('  WriteRegStr HKLM "${FILES_KEY}" "%s" ""' % nsis_path(rel))
    lines += ["!macroend", "", "!macro RemovePackageFiles"]
    folders = set()
    for rel in files:
        # A file in use goes at the next restart.
        lines.append('  Delete /REBOOTOK "$INSTDIR\\%s"' % nsis_path(rel))
        parts = rel.split("/")[:-1]
        for depth in range(1, len(parts) + 1):
            folders.add("/".join(parts[:depth]))
    for sub in sorted(folders, key=lambda f: (-f.count("/"), f)):
        lines.append('  RMDir "$INSTDIR\\%s"' % nsis_path(sub))
    lines += ["!macroend", "", "!macro CheckPackageFiles"]
    for rel in files:
        lines += ['  ${If} ${FileExists} "$INSTDIR\\%s"' % nsis_path(rel),
                  "    ClearErrors",
                  '    ReadRegStr $0 HKLM "${FILES_KEY}" "%s"' % nsis_path(rel),
                  '    ${If} ${Errors}',
                  '    ${AndIf} $R8 == ""',
                  '      StrCpy $R8 "$INSTDIR\\%s"' % nsis_path(rel),
                  "    ${EndIf}",
                  "  ${EndIf}"]
    lines += ["!macroend", "", "!macro IsPackageFile NAME RESULT", "  StrCpy ${RESULT} 0"]
    for rel in files:
        lines.append('  ${IfThen} ${NAME} == "%s" ${|} StrCpy ${RESULT} 1 ${|}' % nsis_path(rel))
    lines += ["!macroend", ""]
    if signer:
        lines.append("!uninstfinalize '\"%s\" \"%s\" --sign-file \"%%1\"' = 0"
                     % (sys.executable, os.path.abspath(__file__)))
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def make_installer(top, files, version, target, outfile, signer):
    lists = os.path.join(os.path.dirname(top), "files.nsh")
    write_file_lists(top, files, lists, signer)
    command = ["makensis", "-V2", "-NOCD", "-INPUTCHARSET", "UTF8",
               "-DVERSION=" + version, "-DFILES=" + lists, "-DOUTFILE=" + outfile,
               "-DTARGET=" + target, "-DUPGRADE_CODE=" + UPGRADE_CODE,
               os.path.join(ROOT, "packaging", "Setwright.nsi")]
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        print(result.stdout, file=sys.stderr)
        fail("makensis failed")
    if signer:
        signer.sign(outfile)


def msi_id(kind, rel):
    """A table key for a package path: readable, and unique through a hash."""
    clean = "".join(c if c.isalnum() else "_" for c in rel)[:40]
    return "%s_%s_%s" % (kind, clean, hashlib.sha1(rel.encode()).hexdigest()[:8])


def write_wxs(top, files, label, arch):
    """The MSI package's source for wixl. File sources are relative to the
    folder above top, where wixl runs."""
    name = os.path.basename(top)
    msiver = msi_version(label)
    size_kib = (sum(os.path.getsize(os.path.join(top, rel)) for rel in files) + 1023) // 1024
    tree = {}
    for rel in files:
        node = tree
        for part in rel.split("/")[:-1]:
            node = node.setdefault(part, {})
        node.setdefault("", []).append(rel)
    components = []

    def directory(node, path, indent):
        out = []
        for rel in node.get("", []):
            cid = msi_id("c", rel)
            components.append(cid)
            out.append('%s<Component Id="%s" Guid="%s"><File Id="%s" Source=%s KeyPath="yes"/></Component>'
                       % (indent, cid, code("component " + rel)[1:-1], msi_id("f", rel),
                          quoteattr(name + "/" + rel)))
        for sub in sorted(k for k in node if k):
            where = path + sub + "/"
            out.append('%s<Directory Id="%s" Name=%s>' % (indent, msi_id("d", where), quoteattr(sub)))
            out += directory(node[sub], where, indent + "  ")
            out.append("%s</Directory>" % indent)
        return out

    program_files = "ProgramFiles64Folder" if arch == "x64" else "ProgramFilesFolder"
    key = r"Software\Korvel\Setwright"
    body = directory(tree, "", " " * 10)
    lines = [
        '<?xml version="1.0" encoding="utf-8"?>',
        "<!-- Generated by packaging/pack.py. -->",
        '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">',
        '  <Product Id="%s" Name="Setwright" Language="1033" Version="%s" Manufacturer="%s" UpgradeCode="%s">'
        % (product_code(label)[1:-1], msiver, PUBLISHER, UPGRADE_CODE[1:-1]),
        '    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine" Manufacturer="%s"'
        ' Description="Setwright %s"/>' % (PUBLISHER, escape(label)),
        '    <Media Id="1" Cabinet="setwright.cab" EmbedCab="yes"/>',
        # The earlier version goes before this one is installed.
        '    <MajorUpgrade DowngradeErrorMessage="A newer version of Setwright is already installed."/>',
        '    <Icon Id="Setwright.exe" SourceFile=%s/>' % quoteattr(name + "/Setwright.exe"),
        '    <Property Id="ARPPRODUCTICON" Value="Setwright.exe"/>',
        '    <Property Id="ARPNOMODIFY" Value="1"/>',
        '    <Property Id="ARPSIZE" Value="%d"/>' % size_kib,
        '    <CustomAction Id="RecordInstallLocation" Property="ARPINSTALLLOCATION" Value="[INSTALLDIR]"/>',
        '    <InstallExecuteSequence><Custom Action="RecordInstallLocation" After="CostFinalize"/></InstallExecuteSequence>',
        # An update goes into the folder of the installed version.
        '    <Property Id="INSTALLDIR"><RegistrySearch Id="InstalledFolder" Root="HKLM" Key="%s" Name="InstallDir" Type="raw"/></Property>' % key,
        # The NSIS setup's installation: one installation per machine.
        '    <Property Id="SETUPINSTALLATION"><RegistrySearch Id="SetupEntry" Root="HKLM"'
        r' Key="Software\Microsoft\Windows\CurrentVersion\Uninstall\Setwright" Name="UninstallString" Type="raw"/></Property>',
        '    <Condition Message="Setwright is installed by its setup program. Uninstall it under Apps (Programs and Features) first.">'
        "Installed OR NOT SETUPINSTALLATION</Condition>",
        '    <Directory Id="TARGETDIR" Name="SourceDir">',
        '      <Directory Id="%s">' % program_files,
        '        <Directory Id="INSTALLDIR" Name="Setwright">',
    ] + body + [
        '          <Component Id="SystemPath" Guid="%s">' % code("component system path")[1:-1],
        '            <RegistryValue Root="HKLM" Key="%s" Name="SystemPath" Type="integer" Value="1" KeyPath="yes"/>' % key,
        "          </Component>",
        "        </Directory>",
        "      </Directory>",
        '      <Directory Id="ProgramMenuFolder">',
        '        <Component Id="Shortcuts" Guid="%s">' % code("component shortcuts")[1:-1],
        '          <Shortcut Id="SetwrightShortcut" Name="Setwright" Target="[INSTALLDIR]Setwright.exe" WorkingDirectory="INSTALLDIR"/>',
        '          <Shortcut Id="CommandPromptShortcut" Name="Setwright Command Prompt" Target="[SystemFolder]cmd.exe"'
        ' Arguments="/k SetwrightCmd.exe --help" WorkingDirectory="INSTALLDIR"/>',
        '          <RegistryValue Root="HKLM" Key="%s" Name="InstallDir" Type="string" Value="[INSTALLDIR]" KeyPath="yes"/>' % key,
        '          <RegistryValue Root="HKLM" Key="%s" Name="Version" Type="string" Value="%s"/>' % (key, escape(label)),
        "        </Component>",
        "      </Directory>",
        "    </Directory>",
        '    <Feature Id="Setwright" Title="Setwright" Level="1" Absent="disallow" ConfigurableDirectory="INSTALLDIR">',
    ] + ['      <ComponentRef Id="%s"/>' % c for c in components + ["Shortcuts"]] + [
        '      <Feature Id="SystemPath" Title="Program folder on the system PATH" Level="1000">',
        '        <ComponentRef Id="SystemPath"/>',
        "      </Feature>",
        "    </Feature>",
        "  </Product>",
        "</Wix>",
        "",
    ]
    text = "\n".join(lines)
    if arch == "x64":
        # 64-bit components and registry searches (the 64-bit registry view).
        text = text.replace("<Component ", '<Component Win64="yes" ').replace("<RegistrySearch ", '<RegistrySearch Win64="yes" ')
    return text


# The system PATH entry of the SystemPath feature. wixl has no element for
# the Environment table, so it is added after the build: "=-*Path" sets the
# system variable Path on install and takes the part back on removal;
# "[~];" appends to the value already there. The two standard actions that
# apply the table go into the execute sequence at their usual places.
ENVIRONMENT_QUERIES = [
    "CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, "
    "`Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)",
    "INSERT INTO `Environment` (`Environment`, `Name`, `Value`, `Component_`) "
    "VALUES ('SystemPath', '=-*Path', '[~];[INSTALLDIR]', 'SystemPath')",
    "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveEnvironmentStrings', 3300)",
    "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteEnvironmentStrings', 5200)",
]


def compound_stream_offsets(data, wanted):
    """File offsets of each byte of the stream named wanted in a compound
    file (the MSI container), or None when it has no such stream."""
    u16 = lambda at: struct.unpack_from("<H", data, at)[0]
    u32 = lambda at: struct.unpack_from("<I", data, at)[0]
    if data[:8] != bytes.fromhex("D0CF11E0A1B11AE1"):
        fail("not a compound file")
    shift, mini_shift = u16(0x1E), u16(0x20)
    size = 1 << shift
    sector = lambda n: (n + 1) << shift
    fat_sectors = [u32(0x4C + 4 * i) for i in range(109)]
    dif = u32(0x44)
    for _ in range(u32(0x48)):
        at = sector(dif)
        fat_sectors += [u32(at + 4 * i) for i in range(size // 4 - 1)]
        dif = u32(at + size - 4)
    fat = []
    for n in fat_sectors[:u32(0x2C)]:
        fat += struct.unpack_from("<%dI" % (size // 4), data, sector(n))

    def chain(start, table):
        out = []
        while start < 0xFFFFFFFA and len(out) <= len(table):
            out.append(start)
            start = table[start]
        return out

    directory = b"".join(data[sector(n):sector(n) + size] for n in chain(u32(0x30), fat))
    mini_fat = []
    for n in chain(u32(0x3C), fat):
        mini_fat += struct.unpack_from("<%dI" % (size // 4), data, sector(n))
    root_chain = chain(struct.unpack_from("<I", directory, 0x74)[0], fat)
    for at in range(0, len(directory), 128):
        length = struct.unpack_from("<H", directory, at + 0x40)[0]
        if length < 2 or directory[at:at + length - 2].decode("utf-16-le", "replace") != wanted:
            continue
        start, stream_size = struct.unpack_from("<II", directory, at + 0x74)
        offsets = []
        if stream_size < u32(0x38):
            for m in chain(start, mini_fat):
                pos = m << mini_shift
                base = sector(root_chain[pos >> shift]) + (pos & (size - 1))
                offsets += range(base, base + (1 << mini_shift))
        else:
            for n in chain(start, fat):
                offsets += range(sector(n), sector(n) + size)
        return offsets[:stream_size]
    return None


def fix_summary(path, package_code, epoch):
    """Gives the MSI's summary information a package code derived from its
    contents and the package's fixed time, in place of the random code and
    the build time wixl writes: the same sources then give the same MSI."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    offsets = compound_stream_offsets(data, "\x05SummaryInformation")
    if offsets is None:
        fail("%s has no summary information" % path)
    stream = bytearray(data[i] for i in offsets)
    section = struct.unpack_from("<I", stream, 44)[0]
    count = struct.unpack_from("<I", stream, section + 4)[0]
    filetime = (max(epoch, 0) + 11644473600) * 10000000
    for i in range(count):
        pid, at = struct.unpack_from("<II", stream, section + 8 + 8 * i)
        at += section
        kind = struct.unpack_from("<I", stream, at)[0]
        if pid == 9 and kind == 30:  # revision number: the package code
            length = struct.unpack_from("<I", stream, at + 4)[0]
            text = package_code.encode("ascii") + b"\0"
            if len(text) != length:
                fail("unexpected package code field in %s" % path)
            stream[at + 8:at + 8 + length] = text
        elif pid in (12, 13) and kind == 64:  # created, last saved
            struct.pack_into("<Q", stream, at + 4, filetime)
    for i, at in enumerate(offsets):
        data[at] = stream[i]
    with open(path, "wb") as f:
        f.write(data)


def make_msi(top, files, label, arch, outfile, epoch, signer):
    wxs = write_wxs(top, files, label, arch)
    work = os.path.dirname(top)
    with open(os.path.join(work, "Setwright.wxs"), "w", encoding="utf-8") as f:
        f.write(wxs)
    digest = hashlib.sha256(wxs.encode())
    for rel in files:
        with open(os.path.join(top, rel), "rb") as f:
            digest.update(rel.encode() + b"\0" + hashlib.sha256(f.read()).digest())
    built = os.path.join(work, "Setwright.msi")
    for command in (["wixl", "-a", arch, "-o", built, "Setwright.wxs"],
                    ["msibuild", built] + [arg for q in ENVIRONMENT_QUERIES for arg in ("-q", q)]):
        result = subprocess.run(command, cwd=work, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if result.returncode != 0 or not os.path.isfile(built):
            print(result.stdout, file=sys.stderr)
            fail("%s failed" % command[0])
    fix_summary(built, code("package " + digest.hexdigest()), epoch)
    if signer:
        signer.sign(built)
    shutil.move(built, outfile)


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            digest.update(block)
    return digest.hexdigest()


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--sign-file":
        # Called by makensis for the uninstaller it is about to pack.
        Signer(int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))).sign(sys.argv[2])
        return
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="build folder with deliverables.txt")
    parser.add_argument("--out", required=True, help="folder for the results")
    parser.add_argument("--arch", choices=sorted(MACHINES), default="x86")
    parser.add_argument("--zip", action="store_true", help="make Setwright-<version>-win32.zip")
    parser.add_argument("--installer", metavar="TARGET",
                        help="make the setup program for this NSIS target (x86-unicode, amd64-unicode)")
    parser.add_argument("--setup-name", help="file name of the setup program")
    parser.add_argument("--msi", action="store_true", help="make Setwright-<version>-win32.msi")
    parser.add_argument("--msi-name", help="file name of the MSI package")
    parser.add_argument("--as-version", metavar="VERSION",
                        help="label the package with this version instead of VERSION's (tests of updates)")
    args = parser.parse_args()

    version = read_version()
    label = args.as_version or version
    msi_version(label)  # refuses a version the MSI cannot carry, before any work
    out = os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))
    signer = Signer(epoch)
    if not signer:
        print("pack: no signing key (SW_SIGN_PKCS12 is not set): the package is unsigned", file=sys.stderr)
    top, files = stage(os.path.abspath(args.build), os.path.join(out, "stage"), version, args.arch, label)
    if signer:
        for rel in files:
            if rel.lower().endswith((".exe", ".dll")):
                signer.sign(os.path.join(top, rel))
    # The installers keep each file's time: the staged files all carry the
    # package's fixed time too.
    for rel in files:
        os.utime(os.path.join(top, rel), (epoch, epoch))
    made = []
    if args.zip:
        path = os.path.join(out, "Setwright-%s-win32.zip" % label)
        write_zip(top, files, path, epoch)
        made.append(path)
    if args.installer:
        path = os.path.join(out, args.setup_name or "Setwright-%s-setup.exe" % label)
        make_installer(top, files, label, args.installer, path, signer)
        made.append(path)
    if args.msi:
        path = os.path.join(out, args.msi_name or "Setwright-%s-win32.msi" % label)
        make_msi(top, files, label, args.arch, path, epoch, signer)
        made.append(path)
    if args.zip and args.installer and args.msi:
        with open(os.path.join(out, "SHA256SUMS"), "w", encoding="ascii") as f:
            for path in made:
                f.write("%s  %s\n" % (sha256(path), os.path.basename(path)))
    for path in made:
        print(path)


if __name__ == "__main__":
    main()
