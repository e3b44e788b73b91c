#!/usr/bin/env python3
"""Writes the benchmark's APK: about 300 MB of synthetic game data laid out
the way aapt and zipalign leave a 2011 game's package.

- ATC-like textures, UI images, a 24 MB video: incompressible, stored
  (aapt stores what it knows to be compressed already), data 4-byte aligned;
- compressed audio (.ogg): incompressible, but deflated anyway;
- XML and text: highly compressible, deflated;
- a 9 MB 32-bit ARM game library at lib/armeabi/libGloamReef.so, deflated.

All content comes from a seeded generator, so every run writes the same
bytes. The zip is written here rather than with zipfile, to place the
alignment padding in the local headers only, as zipalign does.

Usage: make_apk.py <output.apk>
"""
import random
import struct
import sys
import zlib

SEED = 2011
STORED, DEFLATED = 0, 8
DOS_TIME, DOS_DATE = 0, (31 << 9) | (1 << 5) | 1   # 2011-01-01 00:00


class ApkWriter:
    def __init__(self, path):
        self.file = open(path, "wb")
        self.central = []
        self.offset = 0

    def add(self, name, data, method):
        raw_name = name.encode("utf-8")
        crc = zlib.crc32(data)
        if method == DEFLATED:
            packer = zlib.compressobj(6, zlib.DEFLATED, -15)
            payload = packer.compress(data) + packer.flush()
            extra = b""
        else:
            payload = data
            data_start = self.offset + 30 + len(raw_name)
            extra = b"\0" * (-data_start % 4)
        header = struct.pack("<IHHHHHIIIHH", 0x04034B50, 10 if method == STORED else 20,
                             0x0800, method, DOS_TIME, DOS_DATE, crc, len(payload), len(data),
                             len(raw_name), len(extra))
        self.file.write(header + raw_name + extra)
        self.file.write(payload)
        self.central.append(struct.pack(
            "<IHHHHHHIIIHHHHHII", 0x02014B50, 0x0314, 10 if method == STORED else 20, 0x0800,
            method, DOS_TIME, DOS_DATE, crc, len(payload), len(data), len(raw_name), 0, 0, 0, 0,
            0o100644 << 16, self.offset) + raw_name)
        self.offset += len(header) + len(raw_name) + len(extra) + len(payload)

    def close(self):
        directory = b"".join(self.central)
        self.file.write(directory)
        self.file.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(self.central),
                                    len(self.central), len(directory), self.offset, 0))
        self.file.close()


def incompressible(rng, size):
    return rng.randbytes(size)


def texture(rng, side):
    """An ATC texture with its mipmap chain: a small header, then block data
    that no deflate level can shrink."""
    size, level = 0, side
    while level >= 4:
        size += level * level
        level //= 2
    header = b"ATC\0" + struct.pack("<IIII", side, side, 0x8C93, size) + b"\0" * 12
    return header + incompressible(rng, size)


def arm_library(rng, size):
    """A 32-bit ARM ELF shared object: a real ELF32 header, then code-like
    words from a small vocabulary, which deflates to roughly half."""
    header = bytearray(52)
    header[0:4] = b"\x7fELF"
    header[4], header[5], header[6] = 1, 1, 1                  # ELFCLASS32, little-endian, v1
    struct.pack_into("<HHIIIIIHHHHHH", header, 16, 3, 40, 1, 0, 52, size - 40 * 20,
                     0x5000000, 52, 32, 8, 40, 20, 19)           # ET_DYN, EM_ARM
    vocabulary = [rng.randbytes(4) for _ in range(4096)]
    words = rng.choices(vocabulary, k=(size - len(header)) // 4)
    body = b"".join(words)
    return bytes(header) + body + b"\0" * (size - len(header) - len(body))


WORDS = ("spawn trigger enemy coral reef glow depth current tide shell lantern "
         "drift wreck anchor pearl kelp abyss beacon ripple sonar").split()


def xml_document(rng, size):
    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<level>"]
    length = sum(map(len, lines))
    while length < size:
        line = ('  <object type="%s" name="%s_%d" x="%.2f" y="%.2f" depth="%d" script="%s"/>'
                % (rng.choice(WORDS), rng.choice(WORDS), rng.randrange(1000),
                   rng.uniform(-500, 500), rng.uniform(-500, 500), rng.randrange(8),
                   rng.choice(WORDS)))
        lines.append(line)
        length += len(line) + 1
    lines.append("</level>")
    return "\n".join(lines).encode()


def text_document(rng, size):
    words = []
    length = 0
    while length < size:
        word = rng.choice(WORDS)
        words.append(word)
        length += len(word) + 1
    return " ".join(words).encode()


def build(path):
    rng = random.Random(SEED)
    apk = ApkWriter(path)
    apk.add("META-INF/MANIFEST.MF", text_document(rng, 300_000), DEFLATED)
    apk.add("META-INF/CERT.SF", text_document(rng, 300_000), DEFLATED)
    apk.add("META-INF/CERT.RSA", incompressible(rng, 1_400), DEFLATED)
    apk.add("AndroidManifest.xml", xml_document(rng, 6_000), DEFLATED)

    # Textures by world, 190 MB in all; mostly small, a few large atlases.
    sides = [32, 64, 128, 256, 512, 1024]
    weights = [10, 30, 30, 18, 9, 3]
    texture_bytes, index = 0, 0
    while texture_bytes < 190 << 20:
        data = texture(rng, rng.choices(sides, weights)[0])
        apk.add("assets/textures/world%d/%s_%04d.atc" % (index % 12, rng.choice(WORDS), index),
                data, STORED)
        texture_bytes += len(data)
        index += 1
        if index % 300 == 0:
            # Levels and scripts sit between the textures, as the build wrote them.
            for n in range(120):
                maker = xml_document if n % 3 else text_document
                apk.add("assets/levels/l%03d/%s_%d.%s" % (index // 300, rng.choice(WORDS), n,
                                                          "xml" if n % 3 else "txt"),
                        maker(rng, int(rng.lognormvariate(9.5, 1.0)) + 200), DEFLATED)

    for index in range(320):
        size = min(int(rng.lognormvariate(11.5, 1.0)) + 2_000, 2_000_000)
        apk.add("assets/audio/%s_%03d.ogg" % (rng.choice(WORDS), index),
                b"OggS" + incompressible(rng, size), DEFLATED)
    apk.add("assets/movies/intro.m4v", incompressible(rng, 24 << 20), STORED)
    for index in range(200):
        apk.add("assets/ui/icon_%03d.png" % index,
                b"\x89PNG\r\n\x1a\n" + incompressible(rng, rng.randrange(500, 40_000)), STORED)
    apk.add("assets/strings/readme.txt", text_document(rng, 20_000), DEFLATED)

    for index in range(150):
        apk.add("res/drawable-hdpi/img_%03d.png" % index,
                b"\x89PNG\r\n\x1a\n" + incompressible(rng, rng.randrange(300, 8_000)), STORED)
    for index in range(60):
        apk.add("res/layout/view_%02d.xml" % index, xml_document(rng, 2_000), DEFLATED)
    apk.add("resources.arsc", incompressible(rng, 400_000), STORED)
    apk.add("classes.dex", arm_library(rng, 2_500_000)[52:], DEFLATED)
    apk.add("lib/armeabi/libGloamReef.so", arm_library(rng, 9 << 20), DEFLATED)
    apk.close()


if __name__ == "__main__":
    if len(sys.argv) != 2 or sys.argv[1].startswith("-"):
        sys.exit("usage: make_apk.py <output apk>")
    build(sys.argv[1])
