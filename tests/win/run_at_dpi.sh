#!/bin/sh
# Runs a Windows test program on a screen of another density, in a Wine prefix of its own.
# Usage: run_at_dpi.sh DPI WINE PROGRAM [ARGS...]   (WINEPREFIX: the prefix the tests run in)
#
# Wine 8 takes the system's DPI from the value LogPixels of HKEY_CURRENT_CONFIG\Software\Fonts (in the
# prefix's system.reg: System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts), read when
# a process starts. The prefix made here, next to the tests' prefix (its name with "-dpiN"), has that
# prefix's registry (the library's settings with it) with LogPixels set to DPI, the same drive C and
# drives, and a Wine server of its own: what the program changes there (the system's colours, say)
# reaches no other program, and the other tests keep their 96 DPI. The program finds the density it
# is meant to run at in ZRPC_TEST_DPI. The prefix is made afresh for every run and removed after it.
set -u
dpi="$1"
wine="$2"
shift 2
base="${WINEPREFIX:?WINEPREFIX names the tests\' prefix}"
own="$base-dpi$dpi"

rm -rf "$own"
mkdir -p "$own/dosdevices" || exit 1
cp "$base/system.reg" "$base/user.reg" "$base/userdef.reg" "$base/.update-timestamp" "$own/" || exit 1
ln -s "$base/drive_c" "$own/drive_c"
for link in "$base"/dosdevices/*; do
    name="$(basename "$link")"
    target="$(readlink "$link")"
    [ "$name" = "c:" ] && target="$base/drive_c"
    ln -s "$target" "$own/dosdevices/$name"
done

# LogPixels in its key, which is written when the key is missing or lacks it.
key='[System\\\\CurrentControlSet\\\\Hardware Profiles\\\\Current\\\\Software\\\\Fonts]'
value="$(printf '"LogPixels"=dword:%08x' "$dpi")"
awk -v key="$key" -v value="$value" '
    function close_key() { if (inkey && !done) print value; done = done || inkey; inkey = 0 }
    /^\[/ { close_key(); if (index($0, key) == 1) inkey = 1 }
    /^$/ { close_key() }
    inkey && /^"LogPixels"=/ { print value; done = 1; next }
    { print }
    END { close_key(); if (!done) { print ""; print key; print value } }
' "$base/system.reg" >"$own/system.reg" || exit 1

export WINEPREFIX="$own" ZRPC_TEST_DPI="$dpi"
wineserver -p >/dev/null 2>&1 </dev/null
"$wine" wineboot >/dev/null 2>&1 </dev/null
"$@"
rc=$?
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
rm -rf "$own"
exit $rc
