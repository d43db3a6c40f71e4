#!/usr/bin/env python3
"""Writes the SDK's README: the sections of the project README that a client program's author reads,
with the pictures they show.

    sdk_doc.py SOURCE_DIR OUT_DIR
"""
import os
import re
import shutil
import sys

SECTIONS = [
    "Use it from your toolchain",
    "Writing a client program",
    "Controls",
    "The password box",
    "Controls for other compilers and languages",
]


def main():
    source, out = sys.argv[1], sys.argv[2]
    with open(os.path.join(source, "README.md"), encoding="utf-8") as f:
        text = f.read()
    # The README's second-level sections, each up to the next one.
    parts = re.split(r"(?m)^(?=## )", text)
    found = {p.splitlines()[0][3:].strip(): p.rstrip() + "\n" for p in parts if p.startswith("## ")}
    missing = [s for s in SECTIONS if s not in found]
    if missing:
        sys.exit("README.md lacks the sections: " + ", ".join(missing))
    body = "\n".join(found[s] for s in SECTIONS)
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "README.md"), "w", encoding="utf-8") as f:
        f.write("# ZRPCFunc SDK\n\nThe sections of the ZRPCFunc README for the authors of client programs.\n"
                "Paths such as `include/` and `lib/` are the SDK's own folders.\n\n" + body)
    for picture in sorted(set(re.findall(r"\]\((docs/[^)\s]+\.png)\)", body))):
        os.makedirs(os.path.join(out, os.path.dirname(picture)), exist_ok=True)
        shutil.copyfile(os.path.join(source, picture), os.path.join(out, picture))


if __name__ == "__main__":
    main()
