"""The engine alone: callgrind's instruction count and Google Benchmark's CPU time for one
transfer."""
import os
import re
import shutil
import subprocess

from figures import BenchError, ms, s
from processes import IMAGE_SIZE
from timing_log import wire_ns


def callgrind_instructions(tools, folder, transfers_count):
    """The instructions of a run and the functions that cost most in it by their own code,
    as (share, name)."""
    out = os.path.join(folder, "callgrind.%d.out" % transfers_count)
    subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out,
                    tools.engine, "--transfers", str(transfers_count)],
                   check=True, capture_output=True, timeout=600)
    total = None
    with open(out) as f:
        for line in f:
            if line.startswith(("summary:", "totals:")):
                total = int(line.split()[1])
    if total is None:
        raise BenchError("no totals in " + out)
    top = []
    if shutil.which("callgrind_annotate"):
        text = subprocess.run(["callgrind_annotate", out], capture_output=True, text=True,
                              timeout=120).stdout
        shares = {}
        # The table after the "file:function" heading, up to the next rule; the annotated
        # sources that follow it have lines of the same shape.
        table = text.split("file:function", 1)[-1].split("\n--", 2)
        for line in (table[1] if len(table) > 1 else "").splitlines():
            # "1,234 (12.34%)  FILE:FUNCTION(ARGS) [OBJECT]"; code inlined from a header is
            # listed under that header, so the shares are summed by function.
            match = re.match(r"\s*[\d,]+\s+\(\s*([\d.]+)%\)\s+[^:]*:(.*)$", line)
            if match:
                name = match.group(2).split("(")[0].split(" [")[0].strip()
                shares[name] = shares.get(name, 0.0) + float(match.group(1))
        top = sorted(((share, name) for name, share in shares.items()), reverse=True)
    return total, ["%s %.1f %%" % (name, share) for share, name in top[:4]]


def bench_engine(tools, folder, config, rows, notes):
    few, many = config.engine_transfers
    if shutil.which("valgrind"):
        a, _ = callgrind_instructions(tools, folder, few)
        b, top = callgrind_instructions(tools, folder, many)
        per = (b - a) / (many - few)
        rows.append(("Engine: instructions for one %d-byte transfer" % IMAGE_SIZE,
                     "%.0f" % per, "%.1f a byte of image" % (per / IMAGE_SIZE),
                     "callgrind, (%d transfers − %d) / %d" % (many, few, many - few), "—"))
        notes.append("- callgrind totals: %d transfers %d instructions, %d transfers %d. "
                     "Most of the %d transfers (start-up included), by the functions' own "
                     "code: %s." % (few, a, many, b, many, ", ".join(top)))
    else:
        notes.append("- valgrind is not installed: no instruction count.")
    result = subprocess.run([tools.engine, "--benchmark_min_time=%s" % config.engine_min_time,
                             "--benchmark_format=csv"], capture_output=True, text=True,
                            check=True, timeout=600)
    for line in result.stdout.splitlines():
        if line.startswith('"BM_WholeTransfer32767"'):
            fields = line.split(",")
            cpu, unit = float(fields[3]), fields[4]
            scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[unit]
            rows.append(("Engine: CPU time for one %d-byte transfer" % IMAGE_SIZE,
                         ms(cpu * scale), "wire time at 115200 baud: %s"
                         % s(wire_ns(33140, 115200)),
                         "Google Benchmark, %s iterations" % fields[1], "—"))
