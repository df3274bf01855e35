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
if [ "$quick" = 1 ]; then
    args+=(--quick)
elif [ "$wait_for_fuzzers" = 1 ]; then
    # A fuzzing run goes through its targets one after the other: quiet means quiet twice,
    # 30 s apart, so that the gap between two targets does not count.
    waited=0
    quiet=0
    while [ "$quiet" -lt 2 ] && [ "$waited" -lt 2400 ]; do
        if pgrep -f 'fuzz_' >/dev/null; then
            [ "$waited" = 0 ] && echo "waiting for the fuzzers to end (up to 40 minutes)..."
            quiet=0
        else
            quiet=$((quiet + 1))
            [ "$quiet" = 2 ] && break
        fi
        sleep 30
        waited=$((waited + 30))
    done
    if pgrep -f 'fuzz_' >/dev/null; then
        notes+=("**Taken while a fuzzing run was still going** (niced, after 40 minutes of \
waiting for it): \`pgrep -f fuzz_\` listed $(pgrep -f 'fuzz_' | wc -l) process(es).")
    else
        notes+=("No fuzzing run was going at the start (\`pgrep -f fuzz_\` found nothing).")
    fi
fi
for note in ${notes[@]+"${notes[@]}"}; do args+=(--note "$note"); done

exec python3 "$source_dir/bench/bench.py" "${args[@]}"
