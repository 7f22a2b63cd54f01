#!/usr/bin/env python3
"""Prints the file version of a Windows program or DLL, as its version
resource's fixed part holds it (four numbers, "1.1.0.0"), or nothing when
the file has no version resource. Exits 1 for a file that is not PE.

Usage: pe_version.py FILE
"""
import struct
import sys

RT_VERSION = 16
FIXED_INFO_SIGNATURE = 0xFEEF04BD


class NotPe(Exception):
    pass


def unpack(fmt, data, offset):
    size = struct.calcsize(fmt)
    if offset < 0 or offset + size > len(data):
        raise NotPe("truncated at offset %d" % offset)
    return struct.unpack_from(fmt, data, offset)


def resource_section(data):
    """The resource directory's file offset, the RVA it was mapped at, and
    the sections to map RVAs with; None when the file has no resources."""
    if data[:2] != b"MZ":
        raise NotPe("no MZ header")
    (pe,) = unpack("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise NotPe("no PE signature")
    sections_count, = unpack("<H", data, pe + 6)
    optional_size, = unpack("<H", data, pe + 20)
    optional = pe + 24
    (magic,) = unpack("<H", data, optional)
    directories = optional + {0x10B: 96, 0x20B: 112}.get(magic, -1)
    if directories < optional:
        raise NotPe("unknown optional header 0x%x" % magic)
    (count,) = unpack("<I", data, directories - 4)
    if count <= 2:
        return None
    rva, size = unpack("<II", data, directories + 2 * 8)
    if rva == 0 or size == 0:
        return None
    sections = []
    for i in range(sections_count):
        virtual_size, address, raw_size, raw = unpack(
            "<IIII", data, optional + optional_size + 40 * i + 8)
        sections.append((address, max(virtual_size, raw_size), raw))
    return rva, sections


def file_offset(rva, sections):
    for address, size, raw in sections:
        if address <= rva < address + size:
            return raw + rva - address
    raise NotPe("RVA 0x%x lies in no section" % rva)


def first_entry(data, directory, wanted_id=None):
    """The offset field of a resource directory's entry: the one of
    wanted_id, or its first entry when wanted_id is None."""
    named, ids = unpack("<HH", data, directory + 12)
    for i in range(named + ids):
        name, target = unpack("<II", data, directory + 16 + 8 * i)
        if wanted_id is None or (not name & 0x80000000 and name == wanted_id):
            return target
    return None


def file_version(data):
    found = resource_section(data)
    if found is None:
        return None
    root_rva, sections = found
    root = file_offset(root_rva, sections)
    # Type, then name, then language: each level a directory.
    target = first_entry(data, root, RT_VERSION)
    for _ in range(2):
        if target is None or not target & 0x80000000:
            return None
        target = first_entry(data, root + (target & 0x7FFFFFFF))
    if target is None or target & 0x80000000:
        return None
    data_rva, size = unpack("<II", data, root + target)
    info = file_offset(data_rva, sections)
    # VS_VERSIONINFO: three 16-bit fields, "VS_VERSION_INFO" in UTF-16 with
    # its terminator, padding to 32 bits, then the fixed part.
    key = "VS_VERSION_INFO\0".encode("utf-16-le")
    if size < 40 + 16 or data[info + 6:info + 6 + len(key)] != key:
        return None
    signature, _, most, least = unpack("<IIII", data, info + 40)
    if signature != FIXED_INFO_SIGNATURE:
        return None
    return "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip())
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    try:
        version = file_version(data)
    except NotPe as e:
        sys.exit("%s: not a PE file: %s" % (sys.argv[1], e))
    if version:
        print(version)


if __name__ == "__main__":
    main()
