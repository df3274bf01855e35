#!/usr/bin/env bash
# Installs what is missing, builds and runs the tool.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh
scripts/build.sh build
if [ -x build/apps/ymodem-burner ]; then
    exec build/apps/ymodem-burner "$@"
fi
ctest --test-dir build --output-on-failure
