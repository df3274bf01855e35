#!/usr/bin/env bash
# Cross-builds the Windows programs, ymodem-burner.exe and ymodem-send.exe, with Debian's
# MinGW-w64: statically linked and stripped, so that they import system DLLs only and run
# as they are. Packs them with the README and the licence into
# dist/ymodem-burner-<version>-win64.zip.
#
#   scripts/windows-build.sh
#
# YMODEM_WIN_DIST_BUILD: build folder (default build-win-dist/ in the repository).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${YMODEM_WIN_DIST_BUILD:-$root/build-win-dist}

scripts/ensure-deps.sh cmake ninja-build ccache g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    libcli11-dev python3

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DYMODEM_BUILD_QT=OFF -DYMODEM_BUILD_TESTS=OFF \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-s >/dev/null
fi
cmake --build "$build" --parallel 2

version=$(sed -n 's/^project(ymodem-burner VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
programs=()
for name in ymodem-burner ymodem-send; do
    exe=$build/apps/$name/$name.exe
    [ -f "$exe" ] || { echo "$exe was not built" >&2; exit 1; }
    # Nothing but the system's own DLLs: a production PC gets one file that runs as it is.
    foreign=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
        grep -viE '^(kernel32|user32|gdi32|comctl32|comdlg32|advapi32|shell32|ole32|msvcrt|winmm|ws2_32|shcore|uxtheme|imm32|version|api-ms-win-[a-z0-9-]+)\.dll$' || true)
    if [ -n "$foreign" ]; then
        echo "$name.exe needs DLLs that are not the system's: $foreign" >&2
        exit 1
    fi
    programs+=("$exe")
done

mkdir -p dist
zip=dist/ymodem-burner-$version-win64.zip
python3 - "$zip" "${programs[@]}" README.md LICENSE <<'PACK'
import os
import sys
import zipfile

target, *files = sys.argv[1:]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as pack:
    for path in files:
        name = os.path.basename(path)
        pack.write(path, name + (".txt" if name == "LICENSE" else ""))
PACK
ls -l "${programs[@]}" "$zip"
