#!/usr/bin/env bash
# Runs every benchmark and writes bench/RESULTS.md.
#   bench/run.sh              the full run (a few minutes); first waits up to 40 minutes
#                             for fuzzers (processes named fuzz_*) to end, so that the
#                             figures come from a quiet machine, and says so if they do not
#   bench/run.sh --quick      a few seconds of each benchmark into build/bench/quick/, so
#                             that none of them stops working unnoticed; figures mean nothing
# Options: --build DIR (default build/), --out DIR (where RESULTS.md goes), --no-wait,
# --note TEXT (a line for RESULTS.md, e.g. how the build differs from the commit).
# Needs the build's ymodem-devsim, ymodem-send, bench_engine_transfer and, for the window
# rows, bench_window; lrzsz's sb and valgrind for the rows that use them.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$source_dir/build
out_dir=
quick=0
wait_for_fuzzers=1
notes=()

while [ $# -gt 0 ]; do
    case "$1" in
        --quick) quick=1 ;;
        --no-wait) wait_for_fuzzers=0 ;;
        --build) build_dir=$2; shift ;;
        --out) out_dir=$2; shift ;;
        --note) notes+=("$2"); shift ;;
        *) echo "usage: $0 [--quick] [--no-wait] [--build DIR] [--out DIR] [--note TEXT]" >&2
           exit 2 ;;
    esac
    shift
done

if [ -z "$out_dir" ]; then
    if [ "$quick" = 1 ]; then out_dir=$build_dir/bench/quick; else out_dir=$source_dir/bench; fi
fi
mkdir -p "$out_dir"

args=(--build "$build_dir" --source "$source_dir" --out "$out_dir/RESULTS.md")
for note in ${notes[@]+"${notes[@]}"}; do args+=(--note "$note"); done
if [ "$quick" = 1 ]; then
    exec python3 "$source_dir/bench/bench.py" "${args[@]}" --quick
fi
if [ "$wait_for_fuzzers" = 0 ]; then
    exec python3 "$source_dir/bench/bench.py" "${args[@]}"
fi

# A fuzzing run goes through its targets one after the other, and others start new ones:
# quiet means quiet twice, 30 s apart, and a run that a fuzzer disturbed is taken again
# for as long as the 40 minutes last.
deadline=$((SECONDS + 2400))
while :; do
    quiet=0
    while [ "$quiet" -lt 2 ] && [ "$SECONDS" -lt "$deadline" ]; do
        if pgrep -f 'fuzz_' >/dev/null; then
            echo "waiting for the fuzzers to end ($(((deadline - SECONDS) / 60)) minutes left)..."
            quiet=0
        else
            quiet=$((quiet + 1))
            [ "$quiet" = 2 ] && break
        fi
        sleep 30
    done
    if [ "$SECONDS" -ge "$deadline" ]; then
        exec python3 "$source_dir/bench/bench.py" "${args[@]}" --note "**Taken while fuzzing \
runs kept going** (niced) after 40 minutes of waiting for a quiet machine."
    fi
    status=0
    python3 "$source_dir/bench/bench.py" "${args[@]}" --note "No fuzzing run was going \
(pgrep found none twice, 30 s apart, before the run, nor every 2 s during it)." \
        --quiet-or-retry || status=$?
    [ "$status" = 3 ] || exit "$status"
    echo "a fuzzer ran during the benchmarks: taking them again"
done
