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

# The key store: a token's public key travels as a remote update file into the key store, a key of the
# token is backed up to that public key into a ".dlu" file, and the store lists the new update.
win() { winepath -w "$1"; }
mkdir -p "$OUT/backups"
zrpc keystore path
zrpc keystore create --force
zrpc token pubkey --token "$(win "$OUT/token.txt")" "$(win "$OUT/pubkey.bin")"
zrpc dlu write "$(win "$OUT/pubkey.bin")" "$(win "$OUT/pubkey.dlu")" --force
zrpc dlu read "$(win "$OUT/pubkey.dlu")"
zrpc keystore add "$(win "$OUT/pubkey.dlu")"
zrpc keystore set-email 5A5A0001 alice@example.org
zrpc keystore set-comment 5A5A0001 "R&D <payroll> keys"
zrpc keystore list
zrpc backup --token "$(win "$OUT/token.txt")" --slot 1 --to 5A5A0001 --folder "$(win "$OUT/backups")"
zrpc backup --token "$(win "$OUT/token.txt")" --slot 2 --to backup1 --folder "$(win "$OUT/backups")"
zrpc keystore list
zrpc keystore updates 5A5A0001
zrpc keystore show B0000001
zrpc dlu target "$(win "$OUT/backups/Alice's Token (5A5A0001)/Payroll.dlu")"
