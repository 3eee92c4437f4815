#!/usr/bin/env python3
"""Writes a zip whose bytes depend only on its inputs: entries sorted by name, one fixed
date for all (SOURCE_DATE_EPOCH), fixed permissions, no extra fields. Text files (.txt)
get Windows line endings.

usage: make_zip.py OUT.zip EPOCH NAME=PATH...
"""
import sys
import time
import zipfile

ZIP_EPOCH_MIN = 315532800  # 1980-01-01, the earliest date a zip entry can hold
FILE_MODE = 0o100644


def entry(name, epoch):
    info = zipfile.ZipInfo(name, time.gmtime(max(epoch, ZIP_EPOCH_MIN))[:6])
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3  # the same on every building machine
    info.external_attr = FILE_MODE << 16
    return info


def content(name, path):
    with open(path, "rb") as f:
        data = f.read()
    if name.lower().endswith(".txt"):
        data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    return data


def main(out, epoch, pairs):
    files = sorted(pair.split("=", 1) for pair in pairs)
    with zipfile.ZipFile(out, "w") as archive:
        for name, path in files:
            archive.writestr(entry(name, int(epoch)), content(name, path), compresslevel=9)


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
