#!/usr/bin/env python3
"""Writes an APK whose import takes a while: make_slow_apk.py <out.apk> [files].

The import's time goes mostly into creating files, so many small assets in
many folders make it slow while the archive stays a few megabytes. The
library header is one the import accepts (ELF, 32-bit, ARM)."""
import os
import sys
import zipfile


def arm32_library():
    header = bytearray(52)
    header[0:4] = b"\x7fELF"
    header[4] = 1  # 32-bit
    header[5] = 1  # little-endian
    header[6] = 1  # version
    header[16:18] = (3).to_bytes(2, "little")  # shared object
    header[18:20] = (40).to_bytes(2, "little")  # ARM
    return bytes(header) + b"slow" * 4096


def main():
    out = sys.argv[1]
    files = int(sys.argv[2]) if len(sys.argv) > 2 else 600
    with zipfile.ZipFile(out + ".tmp", "w") as apk:
        apk.writestr("lib/armeabi/libGloamReef.so", arm32_library(), zipfile.ZIP_DEFLATED)
        for i in range(files):
            data = (b"reef %05d " % i) * (50 + i % 200)
            apk.writestr("assets/slow/set%03d/item%05d.dat" % (i % 97, i), data,
                         zipfile.ZIP_DEFLATED)
    os.replace(out + ".tmp", out)


if __name__ == "__main__":
    main()
