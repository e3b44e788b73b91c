#!/usr/bin/env python3
"""Writes a large APK-like zip for measurements: make_big_apk.py <out> [MB].

Mostly incompressible texture-like data stored as aapt stores it, audio-like
noise deflated anyway, compressible XML-like text, one large stored file and
a 9 MB 32-bit ARM library. Reused when it already exists.
"""
import os
import random
import struct
import sys
import zipfile


def main():
    out = sys.argv[1]
    megabytes = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    if os.path.exists(out):
        return
    rng = random.Random(2011)
    library = bytearray(rng.randbytes(9 << 20))
    library[:20] = b"\x7fELF\x01\x01\x01" + bytes(9) + struct.pack("<HH", 3, 40)
    budget = megabytes << 20
    with zipfile.ZipFile(out + ".tmp", "w") as apk:
        apk.writestr("AndroidManifest.xml", b"<manifest/>" * 200, zipfile.ZIP_DEFLATED)
        apk.writestr("lib/armeabi/libGloamReef.so", bytes(library), zipfile.ZIP_DEFLATED)
        apk.writestr("assets/big/ocean.pak", rng.randbytes(24 << 20), zipfile.ZIP_STORED)
        budget -= (24 + 9) << 20
        i = 0
        while budget > 0:
            kind = i % 10
            folder = "assets/textures/set%02d" % (i % 37)
            if kind < 6:
                data = rng.randbytes(rng.randint(16 << 10, 400 << 10))
                apk.writestr("%s/tex%05d.atc" % (folder, i), data, zipfile.ZIP_STORED)
            elif kind < 8:
                data = rng.randbytes(rng.randint(32 << 10, 600 << 10))
                apk.writestr("assets/sound/s%05d.ogg" % i, data, zipfile.ZIP_DEFLATED)
            else:
                words = [b"<node id=\"%d\" value=\"reef\"/>\n" % rng.randint(0, 999)
                         for _ in range(rng.randint(100, 4000))]
                data = b"".join(words)
                apk.writestr("assets/data/level%05d.xml" % i, data, zipfile.ZIP_DEFLATED)
            budget -= len(data)
            i += 1
    os.replace(out + ".tmp", out)


if __name__ == "__main__":
    main()
