#!/bin/sh
# Configures, builds and runs the CMake project cmake_client/ against an installed SDK, found through
# CMAKE_PREFIX_PATH alone, with the mingw-w64 compilers given; first configures it for clang in MSVC
# mode, where the package must choose the other import library.
# Usage: cmake_client.sh SDK OUT C_COMPILER CXX_COMPILER CLANG EMULATOR...
set -eu
sdk=$1 out=$2 cc=$3 cxx=$4 clang=$5
shift 5
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out" "$out-msvc"
cmake -S "$here/cmake_client" -B "$out-msvc" -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER="$clang" \
    -DCMAKE_C_COMPILER_TARGET=i686-pc-windows-msvc -DCMAKE_CXX_COMPILER="$clang" \
    -DCMAKE_CXX_COMPILER_TARGET=i686-pc-windows-msvc -DCMAKE_C_COMPILER_WORKS=ON -DCMAKE_CXX_COMPILER_WORKS=ON \
    -DCMAKE_PREFIX_PATH="$sdk" >"$out-msvc.log" 2>&1 || { cat "$out-msvc.log"; exit 1; }
grep '^-- consumer:' "$out-msvc.log"
cmake -S "$here/cmake_client" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$sdk" >"$out.log" 2>&1 ||
    { cat "$out.log"; exit 1; }
grep '^-- consumer:' "$out.log"
cmake --build "$out"
cd "$out"
exec "$@" ./consumer.exe
