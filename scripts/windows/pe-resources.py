#!/usr/bin/env python3
"""Prints the resource types a Windows program carries, one number a line (3 icon, 14 icon
group, 16 version information, 24 manifest), read from its PE resource directory.
  python3 scripts/windows/pe-resources.py PROGRAM.exe"""
import struct
import sys


def resource_types(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]  # the resource directory
    if rva == 0:
        return []
    table = optional + optional_size
    for i in range(sections):
        entry = table + 40 * i
        size, address, _, raw = struct.unpack_from("<IIII", data, entry + 8)
        if address <= rva < address + max(size, 1):
            root = raw + (rva - address)
            named, numbered = struct.unpack_from("<HH", data, root + 12)
            ids = []
            for k in range(named + numbered):
                ident = struct.unpack_from("<I", data, root + 16 + 8 * k)[0]
                if not ident & 0x80000000:
                    ids.append(ident)
            return ids
    raise ValueError("the resource directory lies in no section")


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        for ident in resource_types(f.read()):
            print(ident)
