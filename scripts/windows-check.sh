#!/usr/bin/env bash
# Cross-builds every Qt-free library and test program for 64-bit Windows with Debian's
# MinGW-w64 (posix threads, linked statically) and runs every test under wine with the
# Simplified-Chinese code page (936), the system most users run. Installs what is
# missing with apt-get, as ensure-deps.sh does.
#
#   scripts/windows-check.sh
#
# YMODEM_WIN_BUILD: build folder (default build-win/ in the repository); the wine prefix
# and the locale wine needs live in it too, so the user's own ~/.wine is never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${YMODEM_WIN_BUILD:-$root/build-win}

scripts/ensure-deps.sh cmake ninja-build ccache g++-mingw-w64-x86-64-posix googletest libcli11-dev nlohmann-json3-dev \
    wine wine64 locales

source scripts/wine-env.sh
wine_env "$build" wine "$build/wine.log" null

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DYMODEM_BUILD_QT=OFF \
        -DYMODEM_GTEST_SOURCE_DIR=/usr/src/googletest \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
fi

echo "== wine: code page check =="
cat >"$build/wine-check.cpp" <<'CHECK'
#include <windows.h>
#include <cstdio>
#include <cstring>
// "keep": waits for ever; otherwise prints the ANSI code page and fails unless it is 936.
int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "keep") == 0) Sleep(INFINITE);
    std::printf("ANSI code page %u\n", GetACP());
    return GetACP() == 936 ? 0 : 1;
}
CHECK
x86_64-w64-mingw32-g++-posix -static -O1 "$build/wine-check.cpp" -o "$build/wine-check.exe"
# The services start apart, or the first test would start them, they would inherit its
# output pipe and ctest would wait for it to close for ever. One program runs through the
# whole check, so that they stay up.
wine_start_services
"${wine_locale[@]}" wine "$build/wine-check.exe" keep </dev/null >/dev/null 2>&1 &
keeper=$!
trap 'kill "$keeper" 2>/dev/null || true; wine_stop' EXIT
if ! wine "$build/wine-check.exe"; then
    echo "wine does not run with code page 936" >&2
    exit 1
fi

echo "== build for Windows =="
# Test discovery runs the programs under wine during the build.
in_wine_locale cmake --build "$build" --parallel 2

echo "== test under wine =="
in_wine_locale ctest --test-dir "$build" --output-on-failure --parallel 2

echo "== the Windows serial control on pseudo-terminals mapped as COM ports =="
# The relay links two pseudo-terminals as COM5 and COM6: the control under test opens COM5,
# the test plays the device on COM6 and hangs both up through a file.
hangup=$build/com-hangup
rm -f "$hangup"
python3 tests/win32/com_relay.py com5 com6 "$hangup" >"$build/relay.log" 2>&1 &
relay=$!
trap 'kill "$relay" "$keeper" 2>/dev/null || true; wine_stop' EXIT
for _ in $(seq 100); do grep -q ready "$build/relay.log" 2>/dev/null && break; sleep 0.05; done
YMODEM_TEST_COM=COM5 YMODEM_TEST_DEVICE_COM=COM6 \
    YMODEM_TEST_HANGUP="Z:$(echo "$hangup" | tr / '\\')" \
    wine "$build/tests/win32/win32_tests.exe" --gtest_filter='Win32/PortContract*:Win32PortFactory*' \
    2>>"$build/wine.log"

echo "== ymodem-send.exe against the virtual device on a pseudo-terminal mapped as COM8 =="
# The device is the Linux build's; ./test.sh has built it before this in CI.
linux_build=$root/build
if [ ! -x "$linux_build/apps/ymodem-devsim/ymodem-devsim" ]; then
    scripts/build.sh "$linux_build" >/dev/null
fi
in_wine_locale python3 tests/win32/wine_send.py "$linux_build" "$build" 2>>"$build/wine.log"

echo "== the window under wine on a virtual display =="
YMODEM_LINUX_BUILD=$linux_build scripts/wine-window-check.sh "$build"
