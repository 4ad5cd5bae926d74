#!/usr/bin/env python3
"""pack_dist.py --version V --source DIR --exe EXE --out DIR: writes the Windows
release, OUT/kelvane-V-win64.zip, and prints its path and SHA-256.

The same sources give the same bytes wherever and whenever this runs: fixed
entry order, names and attributes, every entry dated from the last commit
(SOURCE_DATE_EPOCH, when set, wins), and the entries stored as they are. A
compressed entry's bytes would depend on the zlib the host's Python was built
with: zlib and zlib-ng compress differently at the same level. The text files
are made readable on Windows: CRLF line ends and a UTF-8 byte-order mark, so
that older Notepads do not read them as ANSI.
"""
import argparse
import hashlib
import os
import subprocess
import sys
import time
import zipfile

ZIP_EPOCH = 315532800  # 1980-01-01, the earliest date a zip entry can carry


def source_date_epoch(source):
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        out = subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct"], check=True,
                             capture_output=True, text=True).stdout
        return int(out)
    except (OSError, subprocess.CalledProcessError, ValueError):
        print("pack_dist: no git history; the files are dated 1980-01-01", file=sys.stderr)
        return ZIP_EPOCH


def windows_text(path, version):
    text = open(path, encoding="utf-8").read().replace("<version>", version)
    lines = text.splitlines()
    return ("\ufeff" + "\r\n".join(lines) + "\r\n").encode("utf-8")


def entries(args):
    """(name in the zip, contents), in the zip's order."""
    exe = open(args.exe, "rb").read()
    # The README for a Windows user, not the developers' one.
    texts = [("README.txt", "docs/README-windows.txt"), ("LICENSE.txt", "LICENSE"), ("NOTICE.txt", "NOTICE")]
    return [("kelvane.exe", exe)] + [
        (name, windows_text(os.path.join(args.source, source), args.version)) for name, source in texts
    ]


def write_zip(path, files, epoch):
    stamp = time.gmtime(max(epoch, ZIP_EPOCH))[:6]
    with zipfile.ZipFile(path, "w") as zf:
        for name, data in files:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_STORED
            info.create_system = 3  # plain files, readable by all, whoever unpacks them
            info.external_attr = 0o100644 << 16
            zf.writestr(info, data)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--version", "--source", "--exe", "--out"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()

    os.makedirs(args.out, exist_ok=True)
    path = os.path.join(args.out, f"kelvane-{args.version}-win64.zip")
    partial = path + ".partial"
    write_zip(partial, entries(args), source_date_epoch(args.source))
    os.replace(partial, path)

    digest = hashlib.sha256(open(path, "rb").read()).hexdigest()
    with open(path + ".sha256", "w") as f:
        f.write(f"{digest}  {os.path.basename(path)}\n")
    print(f"dist: {path}")
    print(f"SHA-256: {digest}")


if __name__ == "__main__":
    main()
