#!/usr/bin/env python3
"""The export table of a PE file (DLL), read from the file itself, as text: one line per used ordinal,
"ORDINAL NAME", or "ORDINAL -" for an export by ordinal only, in ordinal order.

    export_table.py DLL                   print the table
    export_table.py DLL --check TABLE     compare with a table kept in the tree: every line of TABLE
                                          must stand unchanged in the DLL's table (name and ordinal),
                                          and every other export must have an ordinal above TABLE's
                                          highest (new exports are appended). Exit 1 on a difference.
"""
import struct
import sys


def read_table(path):
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    export_rva, export_size = struct.unpack_from("<II", data, directories)
    section_table = optional + optional_size
    spans = []
    for i in range(sections):
        virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from(
            "<IIII", data, section_table + 40 * i + 8)
        spans.append((virtual_address, max(virtual_size, raw_size), raw_offset))

    def offset(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"{path}: address {rva:#x} lies in no section")

    def text(rva):
        at = offset(rva)
        return data[at:data.index(b"\0", at)].decode("ascii")

    if export_rva == 0 or export_size == 0:
        return []
    (base, functions, names, functions_rva, names_rva, ordinals_rva) = struct.unpack_from(
        "<IIIIII", data, offset(export_rva) + 16)
    name_of = {}
    for i in range(names):
        name_rva = struct.unpack_from("<I", data, offset(names_rva) + 4 * i)[0]
        index = struct.unpack_from("<H", data, offset(ordinals_rva) + 2 * i)[0]
        name_of[index] = text(name_rva)
    lines = []
    for index in range(functions):
        if struct.unpack_from("<I", data, offset(functions_rva) + 4 * index)[0] == 0:
            continue  # an unused ordinal
        lines.append(f"{base + index} {name_of.get(index, '-')}")
    return lines


def check(lines, reference_path):
    with open(reference_path, encoding="ascii") as f:
        reference = [l.rstrip("\n") for l in f if l.strip() and not l.startswith("#")]
    have = set(lines)
    faults = [f"changed or missing: {l}" for l in reference if l not in have]
    top = max(int(l.split()[0]) for l in reference)
    kept = set(reference)
    faults += [f"new export not appended (ordinal at or below {top}): {l}"
               for l in lines if l not in kept and int(l.split()[0]) <= top]
    for fault in faults:
        print(fault)
    added = len([l for l in lines if l not in kept])
    print(f"{len(reference)} exports of the table kept, {added} appended, {len(faults)} differences")
    return 1 if faults else 0


def main():
    if len(sys.argv) == 2:
        print("\n".join(read_table(sys.argv[1])))
        return 0
    if len(sys.argv) == 4 and sys.argv[2] == "--check":
        return check(read_table(sys.argv[1]), sys.argv[3])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())
