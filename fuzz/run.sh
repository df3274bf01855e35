#!/usr/bin/env bash
# Builds the libFuzzer programs with clang in build-fuzz/ and runs each for SECONDS on a
# copy of its checked-in corpus, at most two at a time and at the lowest priority, then
# prints libFuzzer's closing figures. Exits non-zero when a program found an input that
# crashes, breaks a property, leaks, hangs or runs out of memory; the input is left in
# build-fuzz/fuzz-runs/<name>/artifacts/ and belongs in fuzz/corpus/<name>/ once fixed.
#
#   fuzz/run.sh SECONDS [NAME...]     NAME: engine, settings, line_settings (default: all)
#
# YMODEM_FUZZ_BUILD: build folder (default build-fuzz/ in the repository)
# YMODEM_FUZZ_SOURCE: source folder to configure (default the repository)
# YMODEM_FUZZ_PARALLEL: programs run at once, 1 or 2 (default 2)
set -euo pipefail

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]] || [ "$1" -lt 1 ]; then
    echo "usage: $0 SECONDS [engine|settings|line_settings ...]" >&2
    exit 2
fi
seconds=$1
shift
names=("$@")
[ ${#names[@]} -eq 0 ] && names=(engine settings line_settings)

fuzz_dir=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$fuzz_dir")
build=${YMODEM_FUZZ_BUILD:-$root/build-fuzz}
source_dir=${YMODEM_FUZZ_SOURCE:-$root}
parallel=${YMODEM_FUZZ_PARALLEL:-2}
[ "$parallel" -ge 1 ] && [ "$parallel" -le 2 ] || parallel=2
runs=$build/fuzz-runs

for name in "${names[@]}"; do
    case $name in
        engine | settings | line_settings) ;;
        *) echo "unknown fuzz target: $name" >&2; exit 2 ;;
    esac
done

# libFuzzer comes with clang's runtime, which the normal build does not need.
for package in clang libclang-rt-14-dev; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        sudo_cmd=()
        [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
        "${sudo_cmd[@]}" apt-get install -y -qq "$package" >/dev/null
    fi
done

if [ ! -f "$build/CMakeCache.txt" ]; then
    nice -n 19 cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DYMODEM_FUZZ=ON >"$build.configure.log" 2>&1 ||
        { cat "$build.configure.log" >&2; exit 1; }
fi
build_targets=$(cmake --build "$build" --target help)
if ! grep -q "fuzz_engine:" <<<"$build_targets"; then
    echo "no fuzz targets in $build: the top-level CMakeLists.txt needs add_subdirectory(fuzz)" >&2
    exit 1
fi
targets=()
for name in "${names[@]}"; do targets+=("fuzz_$name"); done
nice -n 19 cmake --build "$build" --parallel 2 --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

run_one() {
    local name=$1 work=$runs/$1 max_len=4096 extra=()
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    cp "$fuzz_dir/corpus/$name/"* "$work/corpus/"
    [ "$name" = line_settings ] && max_len=256
    [ -f "$fuzz_dir/$name.dict" ] && extra+=("-dict=$fuzz_dir/$name.dict")
    local status=0
    nice -n 19 "$build/fuzz/fuzz_$name" "$work/corpus" -max_total_time="$seconds" \
        -max_len="$max_len" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "${extra[@]}" >"$work/log" 2>&1 || status=$?
    echo "$status" >"$work/status"
}

running=0
for name in "${names[@]}"; do
    if [ "$running" -ge "$parallel" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    echo "fuzzing $name for ${seconds}s"
    run_one "$name" &
    running=$((running + 1))
done
wait

failed=0
for name in "${names[@]}"; do
    work=$runs/$name
    echo "== $name"
    # The last status line holds the final coverage (cov:) and features (ft:).
    grep -E '^#[0-9]+[[:space:]]' "$work/log" | tail -1 || true
    grep -E '^Done [0-9]+ runs|^stat::' "$work/log" || true
    echo "corpus files: $(find "$work/corpus" -type f | wc -l)"
    findings=$(find "$work/artifacts" -type f | wc -l)
    if [ "$(cat "$work/status")" != 0 ] || [ "$findings" -gt 0 ]; then
        failed=1
        echo "FINDING (exit status $(cat "$work/status")):"
        grep -E 'fuzz property broken|ERROR: |SUMMARY: |runtime error|Test unit written' \
            "$work/log" | head -20 || true
        find "$work/artifacts" -type f
    else
        echo "findings: none"
    fi
    echo "log: $work/log"
done
exit "$failed"
