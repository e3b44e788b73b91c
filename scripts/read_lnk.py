#!/usr/bin/env python3
"""Prints the target, working folder, arguments and description of a .lnk file
(Shell Link Binary File Format, [MS-SHLLINK])."""
import struct
import sys

HAS_ID_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH = 0x1, 0x2, 0x4, 0x8
HAS_WORKING_DIR, HAS_ARGUMENTS, HAS_ICON, IS_UNICODE = 0x10, 0x20, 0x40, 0x80


def c_string(data, offset, wide=False):
    if wide:
        end = offset
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[offset:end].decode("utf-16-le")
    return data[offset:data.index(b"\0", offset)].decode("latin-1")


def main():
    data = open(sys.argv[1], "rb").read()
    flags = struct.unpack_from("<I", data, 0x14)[0]
    offset = 76
    if flags & HAS_ID_LIST:
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    target = ""
    if flags & HAS_LINK_INFO:
        size, header_size, _, _, base_offset = struct.unpack_from("<IIIII", data, offset)
        if header_size >= 0x24:
            wide_offset = struct.unpack_from("<I", data, offset + 0x1C)[0]
            target = c_string(data, offset + wide_offset, wide=True)
        if not target and base_offset:
            target = c_string(data, offset + base_offset)
        offset += size
    strings = {}
    for flag, name in ((HAS_NAME, "description"), (HAS_RELATIVE_PATH, "relative path"),
                       (HAS_WORKING_DIR, "working folder"), (HAS_ARGUMENTS, "arguments"),
                       (HAS_ICON, "icon")):
        if flags & flag:
            count = struct.unpack_from("<H", data, offset)[0]
            offset += 2
            length = count * 2 if flags & IS_UNICODE else count
            raw = data[offset:offset + length]
            # Some writers count the terminating null as well.
            text = raw.decode("utf-16-le" if flags & IS_UNICODE else "latin-1")
            strings[name] = text.rstrip("\0")
            offset += length
    print(f"  target:         {target or strings.get('relative path', '')}")
    print(f"  working folder: {strings.get('working folder', '')}")
    print(f"  arguments:      {strings.get('arguments', '')!r}")
    print(f"  description:    {strings.get('description', '')}")


if __name__ == "__main__":
    main()
