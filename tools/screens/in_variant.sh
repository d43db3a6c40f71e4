#!/bin/sh
# Runs a command (Wine included) in a copy of a Wine prefix at another density or colour set
# (variant_prefix.py), with a server of its own on the current display, and stops that server after.
# Usage: in_variant.sh SOURCE_PREFIX DEST_PREFIX WINE [--dpi N] [--contrast] -- COMMAND...
# The command sees ZRPC_TEST_DPI=N (96 when not given) in its environment.
set -e
source="$1" dest="$2" wine="$3"
shift 3
here="$(cd "$(dirname "$0")" && pwd)"
options="" dpi=96
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    [ "$1" = --dpi ] && dpi="$2"
    options="$options $1"
    shift
done
[ "${1:-}" = "--" ] && shift
# shellcheck disable=SC2086
python3 "$here/variant_prefix.py" "$source" "$dest" $options
export WINEPREFIX="$dest" ZRPC_TEST_DPI="$dpi"
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
