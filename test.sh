#!/usr/bin/env bash
# Installs what is missing, builds and runs every test; then builds again with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and runs every test there.
# YMODEM_SANITIZERS=0 skips the second pass.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh
export QT_QPA_PLATFORM=offscreen

echo "== build and test =="
scripts/build.sh build
ctest --test-dir build --output-on-failure --parallel 2

if [ "${YMODEM_SANITIZERS:-1}" != "0" ]; then
    echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer =="
    scripts/build.sh build-asan -DYMODEM_SANITIZE=ON
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
    ctest --test-dir build-asan --output-on-failure --parallel 2 --label-exclude no-sanitizer
fi
