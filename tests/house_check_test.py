#!/usr/bin/env python3
"""The house check (cmake/check_house.py) on a small tree of the library's shape: clean as made, and
with each kind of breach planted, exactly that breach reported."""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cmake"))
import check_house  # noqa: E402

MODULES = "base frame crypto token updatefile xml keystore folders winlayer ui reportctrl"

# A clean tree: one or two files in some folders, every include running down.
CLEAN = {
    "CMakeLists.txt": f"foreach(sub {MODULES})\n    include(\"${{sub}}/module.cmake\")\nendforeach()\n",
    "include/zrpcrecords.h": "#include <cstdint>\n",
    "include/zrpcfunc.h": "#include <windows.h>\n#include \"zrpcrecords.h\"\n",
    "base/wipe.h": "#include <cstddef>\n",
    "base/wipe.cpp": "#include \"base/wipe.h\"\n",
    "base/win_module.h": "#include <windows.h>\n",
    "base/win_module.cpp": "#include \"base/win_module.h\"\n",
    "base/module.cmake": "zrpc_portable_sources(base/wipe.cpp)  # the portable ones\n"
                         "zrpc_win_sources(base/win_module.cpp)\n",
    "token/win_caches.h": "#include \"include/zrpcrecords.h\"\n",
    "token/win_keycache.cpp": "#include \"token/win_caches.h\"\n#include \"base/win_module.h\"\n",
    "token/module.cmake": "zrpc_win_sources(token/win_keycache.cpp)\n",
    "frame/win_frame.h": "#include \"base/win_module.h\"\n",
    "frame/win_app.cpp": "#include \"frame/win_frame.h\"\n#include \"token/win_caches.h\"\n#include \"zrpcfunc.h\"\n",
    "frame/module.cmake": "zrpc_win_sources(frame/win_app.cpp)\n",
    "xml/xml.h": "#include <string>\n",
    "xml/xml_tree.cpp": "#include \"xml/xml.h\"\n#include \"base/wipe.h\"\n",
    "xml/module.cmake": "zrpc_portable_sources(xml/xml_tree.cpp)\n",
    "keystore/store_doc.h": "#include \"xml/xml.h\"\n",
    "keystore/win_public_keys.cpp": "#include \"keystore/store_doc.h\"\n#include \"frame/win_frame.h\"\n",
    "keystore/module.cmake": "zrpc_win_sources(\n    keystore/win_public_keys.cpp\n)\n",
    "folders/win_folders.h": "#include <windows.h>\n",
    "folders/module.cmake": "",
    "reportctrl/model/report_model.cpp": "#include \"reportctrl_types.h\"\n",
    "include/reportctrl_types.h": "",
    "reportctrl/module.cmake": "zrpc_portable_sources(reportctrl/model/report_model.cpp)\n",
    "ui/win_db_list.cpp": "#include \"keystore/store_doc.h\"\n#include \"zrpcfunc.h\"\n",
    "ui/module.cmake": "zrpc_win_sources(ui/win_db_list.cpp)\n",
    "crypto/module.cmake": "",
    "updatefile/module.cmake": "",
    "winlayer/module.cmake": "",
}

# What is planted (file: text appended, or replaced with None to delete), and what must be reported.
CASES = [
    ("an include that runs up", {"token/win_caches.h": "#include \"frame/win_frame.h\"\n"},
     "token/win_caches.h:2: includes frame/win_frame.h: an include that runs up"),
    ("an include between folders of one level",
     {"keystore/win_public_keys.cpp": "#include \"folders/win_folders.h\"\n"},
     "folders/ and keystore/ stand on one level"),
    ("an include of a file outside the library's folders",
     {"ui/win_db_list.cpp": "#include \"tests/fixture.h\"\n", "tests/fixture.h": ""},
     "includes tests/fixture.h, which lies outside the library's folders"),
    ("<windows.h> in a portable file", {"base/wipe.cpp": "#include <windows.h>\n"},
     "base/wipe.cpp:2: a portable file that includes <windows.h>"),
    ("another Windows system header in a portable header", {"xml/xml.h": "#include <Commctrl.h>\n"},
     "xml/xml.h:2: a portable file that includes <Commctrl.h>"),
    ("a win_ header in a portable file", {"xml/xml_tree.cpp": "#include \"base/win_module.h\"\n"},
     "xml/xml_tree.cpp:3: a portable file that includes the Windows header base/win_module.h"),
    ("a Windows header of the exported interface in a portable header",
     {"base/wipe.h": "#include \"include/zrpcfunc.h\"\n"},
     "base/wipe.h:2: a portable file that includes the Windows header include/zrpcfunc.h"),
    ("<windows.h> in a portable header of the exported interface",
     {"include/reportctrl_types.h": "#include <windows.h>\n"},
     "include/reportctrl_types.h:1: a portable file that includes <windows.h>"),
    ("a source on no list", {"keystore/win_backup.cpp": "#include \"keystore/store_doc.h\"\n"},
     "keystore/win_backup.cpp: a source on no list: add it to zrpc_win_sources in keystore/module.cmake"),
    ("a portable source on no list, in a subfolder", {"reportctrl/model/report_tree.cpp": ""},
     "reportctrl/model/report_tree.cpp: a source on no list: add it to zrpc_portable_sources"),
    ("a listed source that does not exist", {"crypto/module.cmake": "zrpc_portable_sources(crypto/sha1.cpp)\n"},
     "crypto/module.cmake: lists crypto/sha1.cpp, which does not exist"),
    ("a win_ source on the portable list",
     {"folders/module.cmake": "zrpc_portable_sources(folders/win_marker.cpp)\n", "folders/win_marker.cpp": ""},
     "lists folders/win_marker.cpp with the portable sources"),
    ("a portable source on the Windows list",
     {"updatefile/module.cmake": "zrpc_win_sources(updatefile/ktformat.cpp)\n", "updatefile/ktformat.cpp": ""},
     "lists the portable updatefile/ktformat.cpp with the Windows sources"),
    ("a module without a place in the order",
     {"CMakeLists.txt": None, "CMakeLists.txt ": f"foreach(sub {MODULES} extras)\nendforeach()\n"},
     "extras/: a module of CMakeLists.txt without a place in the order of folders"),
]


def make_tree(root, files):
    for path, text in files.items():
        full = os.path.join(root, path.strip())
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as f:
            f.write(text)


def breaches(root):
    house = check_house.House(root)
    house.check_downhill()
    house.check_portable()
    house.check_lists()
    return house.breaches


def main():
    passed = failed = 0
    work = tempfile.mkdtemp(prefix="house_check_test")
    try:
        clean = os.path.join(work, "clean")
        make_tree(clean, CLEAN)
        found = breaches(clean)
        if found:
            print("FAIL the clean tree: " + "; ".join(found))
            failed += 1
        else:
            passed += 1
        for number, (what, planted, expected) in enumerate(CASES):
            root = os.path.join(work, f"case{number}")
            files = dict(CLEAN)
            for path, text in planted.items():
                if text is None:
                    files.pop(path)
                elif path.strip() in files and path == path.strip():
                    files[path] = files[path] + text
                else:
                    files[path] = text
            make_tree(root, files)
            found = breaches(root)
            if len(found) == 1 and expected in found[0]:
                passed += 1
            else:
                print(f"FAIL {what}: expected one breach with '{expected}', got: {found}")
                failed += 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
