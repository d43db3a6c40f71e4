#!/usr/bin/env python3
"""What the SDK promises about zrpcfunc.dll, read from the files themselves.

    pe_check.py exports DLL                  the DLL's export table as text: one line per used ordinal,
                                             "ORDINAL NAME", or "ORDINAL -" for an export by ordinal only
    pe_check.py check-exports DLL TABLE      every line of TABLE (the table kept in the tree) stands
                                             unchanged in the DLL's table, and every other export has an
                                             ordinal above TABLE's highest (new exports are appended)
    pe_check.py check-lib LIB DLL            the MSVC-style import library (short import format) names
                                             every C export of the DLL by its exported name, with its
                                             ordinal as hint, and the exports by ordinal only by ordinal
    pe_check.py check-version VERSION FILE...  each file's version resource (fixed part and the
                                             FileVersion and ProductVersion texts) names VERSION (a.b.c,
                                             the fourth part 0)

Each check prints what differs and exits 1 when anything does.
"""
import struct
import sys


class Pe:
    def __init__(self, path):
        self.path = path
        with open(path, "rb") as f:
            self.data = data = f.read()
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: not a PE file")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.directories = optional + (96 if magic == 0x10B else 112)
        table = optional + optional_size
        self.spans = []
        for i in range(sections):
            virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from(
                "<IIII", data, table + 40 * i + 8)
            self.spans.append((virtual_address, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for start, size, raw in self.spans:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"{self.path}: address {rva:#x} lies in no section")

    def u16(self, rva):
        return struct.unpack_from("<H", self.data, self.offset(rva))[0]

    def u32(self, rva):
        return struct.unpack_from("<I", self.data, self.offset(rva))[0]

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def directory(self, index):
        return struct.unpack_from("<II", self.data, self.directories + 8 * index)

    def exports(self):
        """[(ordinal, name or None)] in ordinal order, unused ordinals left out."""
        rva, size = self.directory(0)
        if rva == 0 or size == 0:
            return []
        base, functions, names, functions_rva, names_rva, ordinals_rva = struct.unpack_from(
            "<IIIIII", self.data, self.offset(rva) + 16)
        name_of = {self.u16(ordinals_rva + 2 * i): self.text(self.u32(names_rva + 4 * i)) for i in range(names)}
        return [(base + i, name_of.get(i)) for i in range(functions) if self.u32(functions_rva + 4 * i)]

    def version(self):
        """(file version, product version, FileVersion text, ProductVersion text) of the version resource."""
        at = self.data.find(struct.pack("<I", 0xFEEF04BD))
        if at < 0:
            return None
        fms, fls, pms, pls = struct.unpack_from("<IIII", self.data, at + 8)
        dotted = lambda ms, ls: f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
        return dotted(fms, fls), dotted(pms, pls), self.version_text("FileVersion"), self.version_text(
            "ProductVersion")

    def version_text(self, key):
        # A String entry: length, value length, type, the key in UTF-16 with its zero, padding to four
        # bytes, the value in UTF-16 with its zero.
        pattern = (key + "\0").encode("utf-16-le")
        at = self.data.find(pattern)
        if at < 0:
            return None
        at += len(pattern)
        at += -at % 4
        end = at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        return self.data[at:end].decode("utf-16-le")


def table_lines(path):
    return [f"{ordinal} {name or '-'}" for ordinal, name in Pe(path).exports()]


def report(faults, summary):
    for fault in faults:
        print(fault)
    print(f"{summary}, {len(faults)} differences")
    return 1 if faults else 0


def check_exports(dll, reference_path):
    """Every export of the table keeps its name and ordinal; an export taken away on purpose ("N ~NAME")
    leaves its ordinal unused; new exports come after the table's last ordinal."""
    lines = table_lines(dll)
    with open(reference_path, encoding="ascii") as f:
        entries = [l.rstrip("\n") for l in f if l.strip() and not l.startswith("#")]
    reference = [l for l in entries if not l.split()[1].startswith("~")]
    retired = {int(l.split()[0]): l.split()[1][1:] for l in entries if l.split()[1].startswith("~")}
    have, kept = set(lines), set(reference)
    top = max(int(l.split()[0]) for l in entries)
    faults = [f"changed or missing: {l}" for l in reference if l not in have]
    faults += [f"ordinal of an export taken away ({retired[int(l.split()[0])]}) given again: {l}"
               for l in lines if int(l.split()[0]) in retired]
    faults += [f"new export not appended (ordinal at or below {top}): {l}"
               for l in lines if l not in kept and int(l.split()[0]) <= top and int(l.split()[0]) not in retired]
    added = len([l for l in lines if l not in kept])
    return report(faults, f"{dll}: {len(reference)} exports of the table kept, {len(retired)} taken away, "
                          f"{added} appended")


def short_imports(path):
    """[(symbol, dll, ordinal or hint, name type, type)] of the members of an import library."""
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(b"!<arch>\n"):
        raise ValueError(f"{path}: not an archive")
    at, found = 8, []
    while at + 60 <= len(data):
        size = int(data[at + 48:at + 58].decode("ascii").strip())
        member = data[at + 60:at + 60 + size]
        if len(member) >= 20 and member[:4] == b"\0\0\xff\xff":
            hint, info = struct.unpack_from("<HH", member, 16)
            symbol, dll = member[20:].split(b"\0")[:2]
            found.append((symbol.decode("ascii"), dll.decode("ascii"), hint, (info >> 2) & 7, info & 3))
        at += 60 + size + (size & 1)
    return found


def check_lib(lib, dll):
    exports = Pe(dll).exports()
    by_name = {name: ordinal for ordinal, name in exports if name}
    ordinals = {ordinal for ordinal, _ in exports}
    faults, seen = [], set()
    for symbol, module, hint, name_type, kind in short_imports(lib):
        if module.lower() != "zrpcfunc.dll":
            faults.append(f"{symbol}: imported from {module}")
        if name_type == 0:  # by ordinal
            seen.add(hint)
            if hint not in ordinals:
                faults.append(f"{symbol}: ordinal {hint} is not exported")
            continue
        name = symbol
        if name_type in (2, 3) and name.startswith(("_", "@", "?")):
            name = name[1:]  # the decoration of C names on 32-bit x86
        if name_type == 3:
            name = name.split("@")[0]
        seen.add(by_name.get(name))
        if name not in by_name:
            faults.append(f"{symbol}: {name} is not exported")
        elif by_name[name] != hint:
            faults.append(f"{name}: hint {hint}, exported at ordinal {by_name[name]}")
    faults += [f"ordinal {ordinal} ({name or 'by ordinal only'}) is not in the library"
               for ordinal, name in exports if ordinal not in seen and not (name or "").startswith("_Z")]
    return report(faults, f"{lib}: {len(seen)} exports of {dll} named")


def check_version(version, files):
    want = version + ".0"
    faults = []
    for path in files:
        found = Pe(path).version()
        if not found:
            faults.append(f"{path}: no version resource")
            continue
        for what, value in zip(("file version", "product version", "FileVersion", "ProductVersion"), found):
            if value != want:
                faults.append(f"{path}: {what} {value}, the package is {version}")
    return report(faults, f"version {version}: {len(files)} files")


def main(argv):
    if len(argv) == 3 and argv[1] == "exports":
        print("\n".join(table_lines(argv[2])))
        return 0
    if len(argv) == 4 and argv[1] == "check-exports":
        return check_exports(argv[2], argv[3])
    if len(argv) == 4 and argv[1] == "check-lib":
        return check_lib(argv[2], argv[3])
    if len(argv) >= 4 and argv[1] == "check-version":
        return check_version(argv[2], argv[3:])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
