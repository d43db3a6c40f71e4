#!/bin/sh
# Builds the C client (msvc_client/client.c) the MSVC way against an installed SDK and runs it: clang in
# MSVC mode without a C runtime, lld-link with the SDK's zrpcfunc.lib; the include path holds the SDK's
# include folder and the client's stand-in <windows.h> only, the system's import libraries are
# mingw-w64's. The headers the compiler read are checked to come from those places (or the compiler's
# own stddef.h and stdint.h); the program runs beside copies of the SDK's DLLs.
# Usage: msvc_client.sh SDK OUT CLANG LLD_LINK TRIPLE MACHINE KERNEL32_LIB ADVAPI32_LIB EMULATOR...
set -eu
sdk=$1 out=$2 clang=$3 lld_link=$4 triple=$5 machine=$6 kernel32=$7 advapi32=$8
shift 8
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out"
mkdir -p "$out"
resource=$("$clang" -print-resource-dir)
"$clang" --target="$triple" -std=c11 -pedantic -Wall -Wextra -Werror -O1 -ffreestanding -fno-builtin \
    -fno-stack-protector -nostdinc -isystem "$resource/include" -I "$here/msvc_client" -I "$sdk/include" \
    -MD -MF "$out/client.d" -c "$here/msvc_client/client.c" -o "$out/client.obj"
others=$(tr ' \\' '\n\n' <"$out/client.d" | grep '\.h$' |
    grep -v -e "^$sdk/include/" -e "^$here/msvc_client/windows.h\$" -e "^$resource/include/" || true)
if [ -n "$others" ]; then
    echo "the client read headers from elsewhere:"
    echo "$others"
    exit 1
fi
safeseh=
[ "$machine" = x86 ] && safeseh=/safeseh:no
"$lld_link" /nologo /entry:ClientMain /subsystem:console /nodefaultlib $safeseh /machine:"$machine" \
    /out:"$out/client.exe" "$out/client.obj" "$sdk/lib/zrpcfunc.lib" "$kernel32" "$advapi32"
cp "$sdk"/bin/*.dll "$out/"
cd "$out"
exec "$@" ./client.exe
