#!/usr/bin/env python3
"""Writes a small synthetic game APK for the demo: our own bytes, no game's data.

The library is only a valid 32-bit ARM ELF header with padding, enough for the
import to accept it; the assets are a few generated files.
"""
import struct
import sys
import zipfile


def arm32_library():
    header = b"\x7fELF" + bytes([1, 1, 1]) + bytes(9)  # 32-bit, little-endian
    header += struct.pack("<HH", 3, 40)  # shared object, ARM
    return header.ljust(4096, b"\0")


def main():
    entries = [
        ("AndroidManifest.xml", b"<manifest package=\"demo.sample\"/>"),
        ("classes.dex", b"dex\n035\0"),
        ("lib/armeabi/libGloamReef.so", arm32_library()),
        ("assets/readme.txt", b"A synthetic sample APK made for the installer demo.\n"),
        ("assets/levels/level_01.dat", bytes(range(256)) * 64),
        ("assets/levels/level_02.dat", bytes(reversed(range(256))) * 32),
        ("assets/textures/atlas.atc", b"ATC " + bytes(i * 7 % 256 for i in range(65536))),
    ]
    with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as apk:
        for name, data in entries:
            apk.writestr(zipfile.ZipInfo(name, date_time=(2011, 5, 1, 12, 0, 0)), data,
                         compress_type=zipfile.ZIP_DEFLATED)


if __name__ == "__main__":
    main()
