#!/usr/bin/env python3
"""Runs the benchmarks of ymodem-burner and writes RESULTS.md. Started by run.sh, which
waits for a quiet machine first; see there for the options.

Every timing of the line comes from the virtual device's --timing log: one line per read
or write with the monotonic clock. Both senders, ours and lrzsz's sb, are measured the same
way against the same device in the same run."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

from engine_bench import bench_engine
from figures import BenchError
from gang_bench import bench_gang
from line_bench import bench_line
from processes import IMAGE_SIZE
from report import FuzzerWatch, write_report
from turnaround_bench import bench_turnaround
from window_bench import bench_window


class Tools:
    def __init__(self, build):
        build = os.path.abspath(build)  # the devices run in a folder of their own
        def need(*parts):
            path = os.path.join(build, *parts)
            if not os.access(path, os.X_OK):
                raise BenchError("%s is not built" % path)
            return path
        self.devsim = need("apps", "ymodem-devsim", "ymodem-devsim")
        self.send = need("apps", "ymodem-send", "ymodem-send")
        self.engine = need("bench", "bench_engine_transfer")
        window = os.path.join(build, "bench", "bench_window")
        self.window = window if os.access(window, os.X_OK) else None
        self.sb = shutil.which("sb")
        self.minimal = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                    "minimal_sender.py")


class Config:
    def __init__(self, args):
        self.quick = args.quick
        self.source = args.source
        self.note = args.note
        if args.quick:
            self.line_runs = [(115200, 5000, 1), (921600, 5000, 1), (9600, 1100, 1)]
            self.turnaround_transfers = 2
            self.turnaround_sb_transfers = 1
            self.sleep_samples = 200
            self.engine_transfers = (1, 2)
            self.engine_min_time = "0.05"
            self.window_starts = 1
            self.idle_seconds = 1
            self.gang_ports, self.gang_image = 8, 5000
        else:
            self.line_runs = [(115200, IMAGE_SIZE, 3), (460800, IMAGE_SIZE, 3),
                              (921600, IMAGE_SIZE, 3), (9600, IMAGE_SIZE, 1)]
            self.turnaround_transfers = 25
            self.turnaround_sb_transfers = 5
            self.sleep_samples = 2000
            self.engine_transfers = (1, 11)
            self.engine_min_time = "2"
            self.window_starts = 5
            self.idle_seconds = 10
            self.gang_ports, self.gang_image = 8, IMAGE_SIZE


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--out", required=True, help="the RESULTS.md to write")
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--note", action="append", default=[])
    parser.add_argument("--quiet-or-retry", action="store_true",
                        help="exit 3 when a fuzzer ran during the benchmarks")
    args = parser.parse_args()
    tools = Tools(args.build)
    config = Config(args)
    rows, notes = [], []
    disturbed = False
    started = time.strftime("%Y-%m-%d %H:%M:%S")
    load_start = "%.2f" % os.getloadavg()[0]
    sections = [("Line efficiency", bench_line), ("Turnaround", bench_turnaround),
                ("Gang", bench_gang), ("Engine", bench_engine),
                ("Window", bench_window)]
    with tempfile.TemporaryDirectory(prefix="ymodem-bench-") as folder:
        # Qt wants one for every program; none of them needs what is in it.
        runtime = os.path.join(folder, "runtime")
        os.makedirs(runtime, mode=0o700)
        os.environ.setdefault("XDG_RUNTIME_DIR", runtime)
        for title, bench in sections:
            print("== %s" % title, flush=True)
            section_notes = []
            with FuzzerWatch() as watch:
                bench(tools, folder, config, rows, section_notes)
            if watch.seen:
                disturbed = True
                section_notes.append("- **A fuzzing run was going during this part.**")
            notes += ["### " + title, ""] + section_notes + [""]
    if not tools.sb:
        notes.append("lrzsz's sb is not installed: no reference rows for it.")
    load = (load_start, "%.2f" % os.getloadavg()[0])
    write_report(args.out, config, rows, notes, started, time.strftime("%H:%M:%S"), load)
    for row in rows:
        print(" | ".join(row))
    return 3 if disturbed and args.quiet_or_retry else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (BenchError, subprocess.CalledProcessError, subprocess.TimeoutExpired) as error:
        print("bench: %s" % error, file=sys.stderr)
        sys.exit(1)
