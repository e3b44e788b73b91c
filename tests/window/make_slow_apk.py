#!/usr/bin/env python3
"""Writes an APK whose import takes a while: make_slow_apk.py <out.apk> [files].

The import's time goes mostly into creating files, so many small assets in
many folders make it slow: 4,000 take 1.5-2 s under Wine on two cores,
where 600 took as little as 0.26 s once the import used both. A stored 4 MB
asset gives the progress bar bytes to follow. The library header is one the
import accepts (ELF, 32-bit, ARM)."""
import os
import random
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))
from elf_objects import arm32_library  # noqa: E402


def main():
    out = sys.argv[1]
    files = int(sys.argv[2]) if len(sys.argv) > 2 else 4000
    with zipfile.ZipFile(out + ".tmp", "w") as apk:
        apk.writestr("lib/armeabi/libGloamReef.so", arm32_library(b"slow" * 4096),
                     zipfile.ZIP_DEFLATED)
        for i in range(files):
            data = (b"reef %05d " % i) * (50 + i % 200)
            apk.writestr("assets/slow/set%03d/item%05d.dat" % (i % 97, i), data,
                         zipfile.ZIP_DEFLATED)
            if i == files // 2:
                apk.writestr("assets/slow/movie.bin", random.Random(i).randbytes(4 << 20),
                             zipfile.ZIP_STORED)
    os.replace(out + ".tmp", out)


if __name__ == "__main__":
    main()
