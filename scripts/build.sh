#!/usr/bin/env bash
# Configures (once) and builds into the folder given, default build/.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
shift || true
generator=()
if [ ! -f "$build_dir/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi
cmake -S . -B "$build_dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" --parallel 2
