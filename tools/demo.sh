#!/usr/bin/env bash
# Walks the library's main job with zrpc.exe under Wine. Arguments: the Windows build's bin folder and
# a folder for the demo's files.
set -euo pipefail
BIN="$1"
OUT="$2"
mkdir -p "$OUT"
zrpc() { echo "\$ zrpc $*"; wine "$BIN/zrpc.exe" "$@" </dev/null; }
HERE="$(cd "$(dirname "$0")" && pwd)"
cp "$HERE/demo-token.txt" "$OUT/token.txt"

zrpc config
zrpc error 29
zrpc cache --token "$(winepath -w "$OUT/token.txt")" --force
