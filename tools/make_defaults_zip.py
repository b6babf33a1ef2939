#!/usr/bin/python3
"""Packs the default settings archive (resource "ZIP" 269) from res/defaults/.

Usage: make_defaults_zip.py <res/defaults folder> <output zip>
Deterministic: fixed entry order, fixed times and attributes, both entries
deflated, no directory entries. The build runs it; nothing here is committed.
"""
import os
import sys
import zipfile

ENTRIES = ("systemset.ini", "uninstall.ico")
# A fixed DOS time, so the archive's bytes do not depend on when it was built.
STAMP = (2014, 3, 5, 9, 7, 2)
SETTINGS_SIZE = 137
ICON_SIZE = 1150


def check(name, data):
    # A checkout that rewrote line ends or a stale icon would ship silently otherwise.
    if name == "systemset.ini":
        if len(data) != SETTINGS_SIZE or b"\r\n" not in data or b"\n" in data.replace(b"\r\n", b""):
            sys.exit("systemset.ini must be %d bytes with CR LF line ends" % SETTINGS_SIZE)
    elif name == "uninstall.ico" and len(data) != ICON_SIZE:
        sys.exit("uninstall.ico must be %d bytes" % ICON_SIZE)


def main():
    source, output = sys.argv[1], sys.argv[2]
    temporary = output + ".tmp"
    with zipfile.ZipFile(temporary, "w") as archive:
        for name in ENTRIES:
            with open(os.path.join(source, name), "rb") as f:
                data = f.read()
            check(name, data)
            info = zipfile.ZipInfo(name, date_time=STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS attributes: a plain archive file
            info.external_attr = 0x20
            archive.writestr(info, data, compresslevel=9)
    os.replace(temporary, output)


if __name__ == "__main__":
    main()
