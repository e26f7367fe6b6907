#!/usr/bin/env python3
"""Signs this build's package with a certificate made here (a test CA and a
code-signing certificate under it, in a PKCS#12 file with a password file)
and checks: osslsigncode verifies every program and DLL in the zip, the
setup program, the MSI package and the uninstaller that the setup installs
(silently, in the Wine prefix this runs in); two signed packs give the same
zip, setup and MSI; a key that is named but missing stops the pack."""
import os
import subprocess
import sys
import tempfile
import zipfile

root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
build, arch, target = sys.argv[1], sys.argv[2], sys.argv[3]
version = open(os.path.join(root, "VERSION")).readline().strip()
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def run(command, **kwargs):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kwargs)


def make_key(folder):
    """A CA, a code-signing certificate under it, and the PKCS#12 file of
    the latter with its password in a file (ending in a line break, as an
    editor leaves it)."""
    p = lambda name: os.path.join(folder, name)
    with open(p("password"), "w") as f:
        f.write("test-Password 1\n")
    with open(p("ext.cnf"), "w") as f:
        f.write("extendedKeyUsage=codeSigning\nkeyUsage=critical,digitalSignature\n")
    steps = [
        ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", p("ca.key"), "-out", p("ca.pem"),
         "-subj", "/CN=Setwright test CA", "-days", "30", "-addext", "basicConstraints=critical,CA:TRUE",
         "-addext", "keyUsage=critical,keyCertSign"],
        ["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", p("sign.key"), "-out", p("sign.csr"),
         "-subj", "/CN=Korvel test signing"],
        ["openssl", "x509", "-req", "-in", p("sign.csr"), "-CA", p("ca.pem"), "-CAkey", p("ca.key"),
         "-CAcreateserial", "-out", p("sign.pem"), "-days", "30", "-extfile", p("ext.cnf")],
        ["openssl", "pkcs12", "-export", "-inkey", p("sign.key"), "-in", p("sign.pem"), "-certfile", p("ca.pem"),
         "-out", p("sign.p12"), "-passout", "file:" + p("password")],
    ]
    for step in steps:
        result = run(step)
        if result.returncode != 0:
            print(result.stdout)
            sys.exit("FAIL: %s" % " ".join(step[:2]))
    return p("sign.p12"), p("password"), p("ca.pem")


def pack(out, pkcs12, password):
    env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000", SW_SIGN_PKCS12=pkcs12, SW_SIGN_PASSWORD_FILE=password)
    env.pop("SW_SIGN_TIMESTAMP_URL", None)
    return run([sys.executable, os.path.join(root, "packaging", "pack.py"), "--build", build, "--out", out,
                "--arch", arch, "--zip", "--installer", target, "--msi"], env=env)


def verified(path, ca):
    return run(["osslsigncode", "verify", "-CAfile", ca, "-in", path]).returncode == 0


with tempfile.TemporaryDirectory() as scratch:
    pkcs12, password, ca = make_key(scratch)
    outs = [os.path.join(scratch, name) for name in ("a", "b")]
    for out in outs:
        result = pack(out, pkcs12, password)
        if result.returncode != 0:
            print(result.stdout)
            sys.exit("FAIL: the signed pack failed")
    names = ["Setwright-%s-win32.zip" % version, "Setwright-%s-setup.exe" % version,
             "Setwright-%s-win32.msi" % version]
    for name in names:
        with open(os.path.join(outs[0], name), "rb") as f1, open(os.path.join(outs[1], name), "rb") as f2:
            check(f1.read() == f2.read(), "two signed packs gave different %s" % name)
        if not name.endswith(".zip"):
            check(verified(os.path.join(outs[0], name), ca), "%s does not verify" % name)

    # Every program and DLL as the zip ships it.
    unpacked = os.path.join(scratch, "unpacked")
    with zipfile.ZipFile(os.path.join(outs[0], names[0])) as archive:
        archive.extractall(unpacked)
        shipped = [n for n in archive.namelist() if n.lower().endswith((".exe", ".dll"))]
    check(len(shipped) >= 4, "fewer than four programs and DLLs in the zip")
    for name in shipped:
        check(verified(os.path.join(unpacked, name), ca), "%s in the zip does not verify" % name)
    # The check can fail: an unsigned program of the build does not verify.
    check(not verified(os.path.join(build, "Setwright.exe"), ca), "an unsigned program verifies")

    # The uninstaller exists only once the setup has written it.
    setup = "Z:" + os.path.join(outs[0], names[1]).replace("/", "\\")
    with open(os.path.join(scratch, "wine.log"), "w") as log:
        code = subprocess.run([os.environ["WINELOADER"], setup, "/S"], stdout=log, stderr=log).returncode
    check(code == 0, "the signed setup exited with %d" % code)
    installed = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Program Files", "Setwright")
    check(verified(os.path.join(installed, "Uninstall.exe"), ca), "the installed uninstaller does not verify")
    check(verified(os.path.join(installed, "Setwright.exe"), ca), "the installed Setwright.exe does not verify")

    # A key that is named but missing is an error, not an unsigned package.
    result = pack(os.path.join(scratch, "c"), os.path.join(scratch, "missing.p12"), password)
    check(result.returncode != 0 and "SW_SIGN_PKCS12" in result.stdout, "a missing key did not stop the pack")

for failure in failures:
    print("FAIL: " + failure)
print("signed: %s" % ("checked" if not failures else "%d failure(s)" % len(failures)))
sys.exit(1 if failures else 0)
