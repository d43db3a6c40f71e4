#!/bin/sh
# Configures, builds and runs the CMake project cmake_client/ against an installed SDK, found through
# CMAKE_PREFIX_PATH alone, with the mingw-w64 compilers given.
# Usage: cmake_client.sh SDK OUT C_COMPILER CXX_COMPILER EMULATOR...
set -eu
sdk=$1 out=$2 cc=$3 cxx=$4
shift 4
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out"
cmake -S "$here/cmake_client" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$sdk" >"$out.log" 2>&1 ||
    { cat "$out.log"; exit 1; }
grep '^consumer:' "$out.log" || true
cmake --build "$out"
cd "$out"
exec "$@" ./consumer.exe
