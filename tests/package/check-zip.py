#!/usr/bin/env python3
"""Packs this build twice, two seconds apart, and checks the zip: the same
bytes both times; one top folder holding every program of deliverables.txt,
the catalogues under Lang/<ll_CC>/LC_MESSAGES and README.txt with CRLF line
ends, every placeholder filled in; entries sorted, all with the same time."""
import os
import subprocess
import sys
import tempfile
import time
import zipfile

root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
build, arch = sys.argv[1], sys.argv[2]
version = open(os.path.join(root, "VERSION")).readline().strip()
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def pack(out):
    env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
    subprocess.run([sys.executable, os.path.join(root, "packaging", "pack.py"), "--build", build,
                    "--out", out, "--arch", arch, "--zip"], check=True, env=env, stdout=subprocess.DEVNULL)
    return os.path.join(out, "Setwright-%s-win32.zip" % version)


with tempfile.TemporaryDirectory() as scratch:
    first = pack(os.path.join(scratch, "a"))
    time.sleep(2)
    second = pack(os.path.join(scratch, "b"))
    check(open(first, "rb").read() == open(second, "rb").read(), "two runs gave different zips")

    top = "Setwright-%s/" % version
    with zipfile.ZipFile(first) as archive:
        infos = archive.infolist()
        names = [i.filename for i in infos]
        check(names == sorted(names), "entries are not sorted")
        check(all(n.startswith(top) for n in names), "not everything lies in %s" % top)
        check(len({i.date_time for i in infos}) == 1, "entries carry different times")
        with open(os.path.join(build, "deliverables.txt")) as f:
            programs = [os.path.basename(line.strip()) for line in f if line.strip()]
        check(len(programs) >= 3, "fewer than three shipped programs listed")
        for program in programs:
            check(top + program in names, "%s is missing" % program)
        catalogues = [n for n in names if n.endswith("/LC_MESSAGES/PrinterConfig.mo")]
        check(top + "Lang/zh_CN/LC_MESSAGES/PrinterConfig.mo" in catalogues, "zh_CN catalogue is missing")
        readme = archive.read(top + "README.txt")
        check(b"\r\n" in readme and b"\n" not in readme.replace(b"\r\n", b""), "README.txt is not CRLF")
        check(version.encode() in readme, "README.txt does not name the version")
        check(b"@" not in readme, "README.txt has a placeholder left")
        for needed in (b"SetwrightCmd apply", b"E86BF0DE-B8CC-484C-A3F3-C652B9D521D0", b"ADDLOCAL",
                       b"QuietUninstallString"):
            check(needed in readme, "README.txt lacks %r" % needed)

for failure in failures:
    print("FAIL: " + failure)
print("zip: %s" % ("checked" if not failures else "%d failure(s)" % len(failures)))
sys.exit(1 if failures else 0)
