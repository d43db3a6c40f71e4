#!/bin/sh
# Runs one Windows test program (the arguments are the whole command, Wine included) and passes only
# when it ran to its end: exit code 0 and the test framework's closing summary. A program that dies
# early with exit code 0 (its standard output closed under it, say) would otherwise pass.
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
"$@" >"$out" 2>&1
rc=$?
cat "$out"
if [ $rc -eq 0 ] && ! grep -q '^\[  PASSED  \] [0-9]* test' "$out"; then
    echo "run_gtest: the program ended with exit code 0 before its closing summary"
    rc=1
fi
exit $rc
