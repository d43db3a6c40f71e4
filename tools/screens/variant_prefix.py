#!/usr/bin/env python3
"""Makes a copy of a Wine prefix that shows its windows at another density or in a black high-contrast
colour set: the pictures and tests that need another screen run in it while the project's prefix stays
as it is.

Wine 8 takes its density from the registry value LogPixels (HKCU\\Control Panel\\Desktop) when each
process starts and answers every process with it (the system DPI, GetDpiForWindow, the device contexts'
LOGPIXELSY, the system metrics and fonts), so one prefix is one density. The colour set is the
values of HKCU\\Control Panel\\Colors, read at start-up with the theme off. Wine has no high-contrast
switch (SPI_GETHIGHCONTRAST always answers off), so the colours are what changes.

Usage: variant_prefix.py SOURCE DEST [--dpi N] [--contrast]

DEST is made afresh from SOURCE (which may be in use): the Windows folder's files are linked, not
copied (Wine writes none of them in place; the .ini files are copied), temporary folders start empty,
everything else is copied. The registry files are copied and changed while no server has DEST open."""
import argparse
import os
import re
import shutil

# A black high-contrast set: white text on black, a yellow-on-black selection, green grey text.
CONTRAST_COLOURS = {
    "ActiveBorder": "255 255 0", "ActiveTitle": "128 0 128", "AppWorkSpace": "0 0 0",
    "Background": "0 0 0", "ButtonAlternateFace": "0 0 0", "ButtonDkShadow": "255 255 255",
    "ButtonFace": "0 0 0", "ButtonHilight": "255 255 255", "ButtonLight": "192 192 192",
    "ButtonShadow": "128 128 128", "ButtonText": "255 255 255", "GradientActiveTitle": "128 0 128",
    "GradientInactiveTitle": "0 128 0", "GrayText": "0 255 0", "Hilight": "0 255 255",
    "HilightText": "0 0 0", "HotTrackingColor": "128 128 255", "InactiveBorder": "255 255 255",
    "InactiveTitle": "0 128 0", "InactiveTitleText": "255 255 255", "InfoText": "255 255 255",
    "InfoWindow": "0 0 0", "Menu": "0 0 0", "MenuBar": "0 0 0", "MenuHilight": "128 0 128",
    "MenuText": "255 255 255", "Scrollbar": "0 0 0", "TitleText": "255 255 255", "Window": "0 0 0",
    "WindowFrame": "255 255 255", "WindowText": "255 255 255",
}


def edit_registry(path, change):
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        text = f.read()
    with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write(change(text))


def copy_tree(src, dst, link):
    """Copies src to dst; files below a folder for which link(path) is true are hard links."""
    os.makedirs(dst, exist_ok=True)
    for entry in os.scandir(src):
        s, d = entry.path, os.path.join(dst, entry.name)
        try:
            if entry.is_symlink():
                os.symlink(os.readlink(s), d)
            elif entry.is_dir():
                if entry.name.lower() == "temp":
                    os.makedirs(d, exist_ok=True)  # what running programs leave there is theirs
                else:
                    copy_tree(s, d, link)
            elif link(s) and not entry.name.lower().endswith(".ini"):
                os.link(s, d)
            else:
                shutil.copy2(s, d)
        except FileNotFoundError:
            pass  # removed while being copied (the source prefix is in use)


def set_values(text, key, values):
    """Sets values (name: registry data as written in the file) in the section of key of a registry
    file's text, adding the section when it is missing."""
    header = re.compile(r"^\[" + re.escape(key.replace("\\", "\\\\")) + r"\](?: \d+)?$", re.M)
    lines = ['"%s"=%s' % (name, data) for name, data in values.items()]
    m = header.search(text)
    if not m:
        return text.rstrip("\n") + "\n\n[%s]\n%s\n" % (key.replace("\\", "\\\\"), "\n".join(lines))
    end = text.find("\n\n", m.end())
    end = len(text) if end < 0 else end
    body = text[m.end():end].split("\n")
    names = {'"%s"=' % n for n in values}
    kept = [line for line in body if not any(line.startswith(n) for n in names)]
    return text[:m.end()] + "\n".join(kept + lines) + text[end:]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("source")
    parser.add_argument("dest")
    parser.add_argument("--dpi", type=int, default=96)
    parser.add_argument("--contrast", action="store_true")
    args = parser.parse_args()
    src, dst = os.path.abspath(args.source), os.path.abspath(args.dest)
    shutil.rmtree(dst, ignore_errors=True)
    windows = os.path.join(src, "drive_c", "windows") + os.sep
    copy_tree(src, dst, lambda path: path.startswith(windows))
    # No server of the source's is this prefix's.
    for stale in ("wineserver",):
        if os.path.exists(os.path.join(dst, stale)):
            os.remove(os.path.join(dst, stale))

    def change(text):
        text = set_values(text, "Control Panel\\Desktop", {"LogPixels": "dword:%08x" % args.dpi})
        if args.contrast:
            text = set_values(text, "Control Panel\\Colors",
                              {name: '"%s"' % rgb for name, rgb in CONTRAST_COLOURS.items()})
            text = set_values(text, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                              {"ThemeActive": '"0"'})
        return text

    edit_registry(os.path.join(dst, "user.reg"), change)


if __name__ == "__main__":
    main()
