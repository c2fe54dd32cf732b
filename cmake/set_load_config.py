#!/usr/bin/env python3
"""Points a linked program's load-configuration directory at its ".lcfg" section.

    set_load_config.py PROGRAM.exe

GNU ld leaves that directory empty whatever the objects hold, so the program keeps its
IMAGE_LOAD_CONFIG_DIRECTORY in a section of its own and this step, run after every link,
writes the section's address and the structure's own size into the header. It changes only
those eight bytes (and the checksum, when the link wrote one), so two builds of one commit
stay the same byte for byte. Running it again changes nothing.
"""
import struct
import sys

LOAD_CONFIG_ENTRY = 10
SECTION = b".lcfg"


def pe_checksum(data, checksum_offset):
    """The image checksum, as the platform computes it, over data with its field as zero."""
    data = data[:checksum_offset] + b"\0\0\0\0" + data[checksum_offset + 4:]
    if len(data) % 2:
        data += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def set_load_config(data):
    """data with the directory set; ValueError when the file is no program with the section."""
    if data[:2] != b"MZ":
        raise ValueError("not a program")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE header")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + {0x10B: 96, 0x20B: 112}.get(magic, 0)
    if directories == optional:
        raise ValueError("unknown optional header 0x%x" % magic)
    count = struct.unpack_from("<I", data, directories - 4)[0]
    if count <= LOAD_CONFIG_ENTRY:
        raise ValueError("no load-configuration directory slot")
    table = optional + optional_size
    for i in range(sections):
        name, _, rva, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, table + 40 * i)
        if name.rstrip(b"\0") != SECTION:
            continue
        size = struct.unpack_from("<I", data, raw_offset)[0]
        if size < 0x40 or size > raw_size:
            raise ValueError("the %s section holds no load configuration (size 0x%x)" % (SECTION.decode(), size))
        out = bytearray(data)
        struct.pack_into("<II", out, directories + 8 * LOAD_CONFIG_ENTRY, rva, size)
        checksum_offset = optional + 64
        if struct.unpack_from("<I", out, checksum_offset)[0]:
            struct.pack_into("<I", out, checksum_offset, pe_checksum(bytes(out), checksum_offset))
        return bytes(out)
    raise ValueError("no %s section" % SECTION.decode())


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], "rb") as f:
        data = f.read()
    try:
        out = set_load_config(data)
    except ValueError as e:
        sys.stderr.write("%s: %s\n" % (argv[1], e))
        return 1
    if out != data:
        with open(argv[1], "wb") as f:
            f.write(out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
