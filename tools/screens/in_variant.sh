#!/bin/sh
# Runs a command (Wine included) in a copy of a Wine prefix at another density or colour set
# (variant_prefix.py), with a server of its own on the current display, and stops that server after.
# Usage: in_variant.sh SOURCE_PREFIX DEST_PREFIX DPI CONTRAST(0|1) WINE COMMAND...
# The command sees ZRPC_TEST_DPI=DPI and ZRPC_TEST_CONTRAST=0|1 in its environment.
set -e
source="$1" dest="$2" dpi="$3" contrast="$4" wine="$5"
shift 5
here="$(cd "$(dirname "$0")" && pwd)"
flag=""
[ "$contrast" = 1 ] && flag=--contrast
python3 "$here/variant_prefix.py" "$source" "$dest" --dpi "$dpi" $flag
export WINEPREFIX="$dest" ZRPC_TEST_DPI="$dpi" ZRPC_TEST_CONTRAST="$contrast"
# The server and its services first, every output discarded: they outlive the command and would hold
# on to whatever captures its output.
wineserver -p >/dev/null 2>&1 </dev/null || true
"$wine" wineboot >/dev/null 2>&1 </dev/null || true
set +e
"$@"
rc=$?
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
exit $rc
