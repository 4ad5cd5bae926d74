#!/usr/bin/env python3
"""test_reproducible.py DIR WINDRES VERSION: after build_twice.sh, make dist in
both copies must give the same exe and the same zip, and no source or build
folder of either copy may be written into an exe (as UTF-8 or UTF-16 text). The
zip holds the program and its texts, stored, made for Windows, with the Windows
user's README naming the zip. The exe's version resource (read with WINDRES)
says what it is, in VERSION, with the About box's copyright."""
import codecs
import glob
import hashlib
import os
import re
import subprocess
import sys
import zipfile

COPIES = ("one", "the-second-copy")


def fail(message):
    sys.exit(f"FAIL: {message}")


def sha256(path):
    return hashlib.sha256(open(path, "rb").read()).hexdigest()


def make_dist(copy):
    env = dict(os.environ, KELVANE_BUILD_DIR=os.path.join(copy, "build"))
    run = subprocess.run([os.path.join(copy, "src", "scripts", "dist.sh")], env=env,
                         capture_output=True, text=True)
    if run.returncode != 0:
        fail(f"make dist failed in {copy}:\n{run.stdout}{run.stderr}")
    zips = glob.glob(os.path.join(copy, "build", "dist", "kelvane-*-win64.zip"))
    if len(zips) != 1:
        fail(f"make dist in {copy} left {zips}, not one zip")
    return os.path.join(copy, "build", "release", "kelvane.exe"), zips[0]


def first_difference(a, b):
    x, y = open(a, "rb").read(), open(b, "rb").read()
    offset = next((i for i, (p, q) in enumerate(zip(x, y)) if p != q), min(len(x), len(y)))
    return f"{len(x)} and {len(y)} bytes, first difference at offset 0x{offset:x}"


def check_zip(path):
    with zipfile.ZipFile(path) as zf:
        names = zf.namelist()
        if names != ["kelvane.exe", "README.txt", "LICENSE.txt", "NOTICE.txt"]:
            fail(f"{path} holds {names}")
        if any(info.compress_type != zipfile.ZIP_STORED for info in zf.infolist()):
            fail(f"{path} compresses its entries: their bytes would depend on the host's zlib")
        texts = {name: zf.read(name) for name in names[1:]}
    for name, data in texts.items():
        if not data.startswith(b"\xef\xbb\xbf") or data.count(b"\n") != data.count(b"\r\n"):
            fail(f"{name} in {path} is not UTF-8 with a byte-order mark and CRLF line ends")
    readme = texts["README.txt"]
    if os.path.basename(path).encode() not in readme or b"<version>" in readme:
        fail(f"README.txt in {path} does not name the zip with its version")
    if b"make " in readme or b"Debian" in readme:
        fail(f"README.txt in {path} is the developers' README")
    print(f"PASS: {os.path.basename(path)} holds the program and its texts as Windows reads them")


def check_version(exe, windres, version):
    rc = subprocess.run([windres, "-i", exe, "-O", "rc"], check=True, capture_output=True, text=True).stdout
    text = r'L?"((?:[^"\\]|\\.)*)"'  # a string as windres writes it, octal escapes and all
    values = {name: codecs.decode(value, "unicode_escape")
              for name, value in re.findall(r'VALUE "(\w+)", ' + text, rc)}
    numbers = ", ".join((version.split(".") + ["0"] * 4)[:4])
    expected = {"CompanyName": "the kelvane authors", "FileDescription": "kelvane collision demonstration",
                "FileVersion": version,
                "InternalName": "kelvane", "LegalCopyright": "\u00a9 2026 the kelvane authors",
                "OriginalFilename": "kelvane.exe", "ProductName": "kelvane", "ProductVersion": version}
    if values != expected or rc.count(f"VERSION {numbers}\n") != 2:
        fail(f"{exe} says {values}, {re.findall(r'VERSION (.*)', rc)}; expected {expected}, {numbers}")
    about = [codecs.decode(t, "unicode_escape") for t in re.findall(r"\n  (?:CONTROL|LTEXT) " + text, rc)]
    if expected["LegalCopyright"] not in about or f"kelvane, Version {version}" not in about:
        fail(f"the About box says {about}: not the version resource's copyright and version {version}")
    print(f"PASS: {os.path.basename(exe)} says it is kelvane {version}, with the About box's copyright")


def main():
    copies = [os.path.join(sys.argv[1], name) for name in COPIES]
    built = [make_dist(copy) for copy in copies]

    folders = [os.path.join(copy, sub) for copy in copies for sub in ("src", "build")]
    for exe, _ in built:
        data = open(exe, "rb").read()
        for folder in folders:
            for encoding in ("utf-8", "utf-16-le"):
                if folder.encode(encoding) in data:
                    fail(f"{exe} holds the path {folder} ({encoding})")
    print(f"PASS: no source or build path in either exe")

    for what, index in (("exe", 0), ("zip", 1)):
        a, b = built[0][index], built[1][index]
        if sha256(a) != sha256(b):
            fail(f"the two release {what}s differ: {a}, {b}: {first_difference(a, b)}")
        print(f"PASS: both release {what}s have SHA-256 {sha256(a)}")
    check_zip(built[0][1])
    check_version(built[0][0], sys.argv[2], sys.argv[3])


if __name__ == "__main__":
    main()
