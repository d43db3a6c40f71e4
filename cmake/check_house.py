#!/usr/bin/env python3
"""The house rules of the library's folders, checked on every test run (ctest -R house).

1. Includes run downhill: a file of a library folder includes files of its own folder or of a folder
   on a lower level of LEVELS (lowest first, as the README's map gives them), nothing else of the tree.
2. Portable files (names that do not start with win_), headers included, include neither <windows.h>
   (nor another Windows system header) nor a win_ header nor a Windows header of include/; so no chain
   of includes from a portable file reaches Windows either.
3. Every source file (.c, .cc, .cpp, .rc) in a library folder is on its folder's module.cmake list:
   portable ones on zrpc_portable_sources, win_ ones on zrpc_win_sources; and every listed file exists.

Usage: check_house.py SOURCE_DIR. Prints every breach, one a line, and exits 1 when there is one.
"""
import os
import re
import sys

# The allowed order of the library's folders, lowest first. A folder may include its own files and
# those of the folders on the levels below it; folders on one level do not include each other.
LEVELS = [
    ["include"],
    ["base"],
    ["xml", "token"],
    ["frame"],
    ["crypto", "winlayer"],
    ["updatefile"],
    ["keystore", "folders"],
    ["reportctrl"],
    ["ui"],
]

# Headers of the exported interface that talk to Windows (their names are fixed for clients, so they
# carry no win_ prefix). Every other header of include/ is portable.
INCLUDE_WINDOWS_HEADERS = {
    "zrpcfunc.h", "zrpctest.h", "zrpcwnd.h", "zrpcsecureedit.h", "zrpcreportctrl.h", "zrpcreportview.h",
    "zrpcdblist.h", "zrpcdbcombo.h", "zrpckeylist.h", "zrpctokenlist.h", "zrpcctl.h",
}

# System headers that belong to Windows.
WINDOWS_SYSTEM_HEADER = re.compile(
    r"^(windows|win[a-z0-9_]*|commctrl|commdlg|shellapi|shlobj|shlwapi|objbase|ole2|oleauto|oleacc|unknwn|"
    r"userenv|uxtheme|richedit|tchar|sddl|aclapi|lmcons|psapi|tlhelp32|dbghelp|mmsystem|wtypes|ntdef|"
    r"ntstatus)\.h$",
    re.IGNORECASE)

SOURCE_EXTENSIONS = (".c", ".cc", ".cpp", ".rc")
HEADER_EXTENSIONS = (".h", ".hpp", ".inl")
INCLUDE_LINE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
LIST_CALL = re.compile(r"\b(zrpc_portable_sources|zrpc_win_sources)\s*\(([^)]*)\)", re.DOTALL)

LEVEL_OF = {folder: n for n, level in enumerate(LEVELS) for folder in level}


def folder_of(path):
    """The library folder a path (relative, with slashes) lies in, or None."""
    top = path.split("/", 1)[0]
    return top if top in LEVEL_OF and "/" in path else None


def is_win_name(path):
    return os.path.basename(path).startswith("win_")


def is_windows_file(path):
    """A file that may talk to Windows: a win_ file, or a Windows header of the exported interface."""
    return is_win_name(path) or (folder_of(path) == "include" and os.path.basename(path) in INCLUDE_WINDOWS_HEADERS)


class House:
    def __init__(self, root):
        self.root = root
        self.breaches = []
        self.files = []
        for folder in LEVEL_OF:
            for dirpath, dirnames, filenames in os.walk(os.path.join(root, folder)):
                dirnames.sort()
                for name in sorted(filenames):
                    if name.endswith(SOURCE_EXTENSIONS + HEADER_EXTENSIONS):
                        full = os.path.join(dirpath, name)
                        self.files.append(os.path.relpath(full, root).replace(os.sep, "/"))
        self.includes = {path: self.read_includes(path) for path in self.files}

    def breach(self, text):
        self.breaches.append(text)

    def exists(self, path):
        return os.path.isfile(os.path.join(self.root, path))

    def resolve(self, including, kind, name):
        """The tree's file an include names (relative path), or None for a system header."""
        here = os.path.dirname(including)
        candidates = [os.path.join(here, name), name, os.path.join("include", name)] if kind == '"' \
            else [os.path.join("include", name)]
        for candidate in candidates:
            candidate = os.path.normpath(candidate).replace(os.sep, "/")
            if not candidate.startswith("../") and self.exists(candidate):
                return candidate
        return None

    def read_includes(self, path):
        """[(line number, written name, resolved path or None, kind)] of one file."""
        out = []
        with open(os.path.join(self.root, path), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE_LINE.match(line)
                if m:
                    kind, name = m.group(1), m.group(2).strip()
                    out.append((number, name, self.resolve(path, kind, name), kind))
        return out

    def includes_of(self, path):
        if path not in self.includes:
            self.includes[path] = self.read_includes(path) if self.exists(path) else []
        return self.includes[path]

    # Rule 1 -------------------------------------------------------------------------------------
    def check_downhill(self):
        for path in self.files:
            mine = folder_of(path)
            for number, name, target, _ in self.includes_of(path):
                if target is None:
                    continue
                theirs = folder_of(target)
                if theirs == mine:
                    continue
                where = f"{path}:{number}"
                if theirs is None:
                    self.breach(f"{where}: includes {target}, which lies outside the library's folders")
                elif LEVEL_OF[theirs] > LEVEL_OF[mine]:
                    self.breach(f"{where}: includes {target}: an include that runs up "
                                f"({theirs}/ lies above {mine}/)")
                elif LEVEL_OF[theirs] == LEVEL_OF[mine]:
                    self.breach(f"{where}: includes {target}: {theirs}/ and {mine}/ stand on one level "
                                f"and do not include each other")

    # Rule 2 -------------------------------------------------------------------------------------
    def check_portable(self):
        # Each portable file is held to this, headers included, so a portable file reaches Windows
        # through no chain of includes either: the breach shows at the include that crosses over.
        for path in self.files:
            if is_windows_file(path):
                continue
            for number, name, target, kind in self.includes_of(path):
                if target is None:
                    if kind == "<" and WINDOWS_SYSTEM_HEADER.match(os.path.basename(name)):
                        self.breach(f"{path}:{number}: a portable file that includes <{name}>")
                elif is_windows_file(target):
                    self.breach(f"{path}:{number}: a portable file that includes the Windows header {target}")

    # Rule 3 -------------------------------------------------------------------------------------
    def check_lists(self):
        with open(os.path.join(self.root, "CMakeLists.txt"), encoding="utf-8") as f:
            top = f.read()
        m = re.search(r"foreach\s*\(\s*sub\s+([^)]*)\)", top)
        modules = set(m.group(1).split()) if m else set()
        placed = set(LEVEL_OF) - {"include"}
        for folder in sorted(modules - placed):
            self.breach(f"{folder}/: a module of CMakeLists.txt without a place in the order of folders")
        for folder in sorted(placed - modules):
            self.breach(f"{folder}/: a folder of the order that CMakeLists.txt does not include as a module")

        listed = {}
        for folder in sorted(modules & placed):
            module = f"{folder}/module.cmake"
            if not self.exists(module):
                self.breach(f"{module}: missing")
                continue
            with open(os.path.join(self.root, module), encoding="utf-8") as f:
                text = "\n".join(line.split("#", 1)[0] for line in f)
            for call in LIST_CALL.finditer(text):
                for source in call.group(2).split():
                    listed[source] = (call.group(1), module)
        for source, (call, module) in sorted(listed.items()):
            if not self.exists(source):
                self.breach(f"{module}: lists {source}, which does not exist")
            elif call == "zrpc_win_sources" and not is_win_name(source):
                self.breach(f"{module}: lists the portable {source} with the Windows sources "
                            f"(a portable file is built natively too)")
            elif call == "zrpc_portable_sources" and is_win_name(source):
                self.breach(f"{module}: lists {source} with the portable sources (win_ files are Windows ones)")
        for path in self.files:
            if path.endswith(SOURCE_EXTENSIONS) and path not in listed:
                kind = "zrpc_win_sources" if is_win_name(path) else "zrpc_portable_sources"
                self.breach(f"{path}: a source on no list: add it to {kind} in {folder_of(path)}/module.cmake "
                            f"(or remove it)")


def main():
    if len(sys.argv) != 2:
        print(next(line for line in __doc__.splitlines() if line.startswith("Usage")), file=sys.stderr)
        return 2
    house = House(os.path.abspath(sys.argv[1]))
    house.check_downhill()
    house.check_portable()
    house.check_lists()
    order = " -> ".join(", ".join(level) for level in LEVELS)
    edges = sum(len(v) for v in house.includes.values())
    if house.breaches:
        for text in house.breaches:
            print("house: " + text)
        print(f"house check: {len(house.breaches)} breach(es) of the order {order}")
        return 1
    print(f"house check: {len(house.files)} files, {edges} includes, order {order}: clean")
    return 0


if __name__ == "__main__":
    sys.exit(main())
