#!/usr/bin/env python3
"""Large images, which only ymodem-send takes: 1 MiB at 921600 baud through the paced
virtual device, acknowledged block by block (with lrzsz's sb beside it) and as a YMODEM-G
stream, and 64 MiB as a stream over an unpaced pseudo-terminal with the sender's peak
memory. Part of bench.py; run alone, it prints its rows: large_bench.py BUILD_DIR."""
import os
import subprocess
import sys
import tempfile
import time

from figures import BenchError, ms, pct, s, yes
from processes import Device, make_image, run_ours, run_sb
from timing_log import line_figures, protocol_floor_ns, read_log, transfers, wire_ns

BAUD = 921600
MIB = 1 << 20


def only_transfer(events):
    runs = transfers(events)
    if len(runs) != 1:
        raise BenchError("expected one transfer in the log, found %d" % len(runs))
    return runs[0]


def stream_figures(events, baud):
    """A stream has no reply a block: from the read that starts block 0 to the device's
    ACK of the EOT, against every byte of that interval on the wire."""
    start = next(i for i, e in enumerate(events)
                 if not e.write and e.head[:3] == b"\x01\x00\xff" and e.head[3:4] != b"\x00")
    end = max(i for i, e in enumerate(events) if e.write and e.head[:1] == b"\x06")
    span = events[start:end + 1]
    moved = sum(e.count for e in span)
    return {"measured_ns": span[-1].t - span[0].t, "wire_ns": wire_ns(moved, baud)}


def run_peak(tools, folder, image, device_options, timeout):
    """ymodem-send against the device; gives its wall time and its peak resident memory."""
    log = os.path.join(folder, "peak-%d.log" % time.monotonic_ns())
    device = Device(tools, folder, log, "--expect", image, "--timeout", str(timeout),
                    *device_options)
    started = time.monotonic()
    # The stream keeps pace with --baud; a pseudo-terminal has no line to keep pace with, so
    # it is given a rate no line limits.
    sender = subprocess.Popen([tools.send, "--quiet", "--baud", "100000000", "--timeout",
                               str(timeout), device.port, image], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(sender.pid, 0)
    elapsed = time.monotonic() - started
    out = device.finish(60)
    if os.waitstatus_to_exitcode(status) != 0 or "verify: OK" not in out:
        raise BenchError("64 MiB stream: sender %d\n%s" % (status, out))
    return elapsed, usage.ru_maxrss * 1024, out


def bench_large(tools, folder, config, rows, notes):
    image = make_image(folder, MIB, "fw1m.bin")
    paced = ["--line-rate", str(BAUD)]
    timeout = int(MIB * 12 / BAUD) + 30
    events, _ = run_ours(tools, folder, image, 1, paced, timeout, BAUD)
    mine = line_figures(only_transfer(events), BAUD)
    floor = protocol_floor_ns(mine["frames"], BAUD)
    answered = len(mine["turnarounds"])
    excess = (mine["measured_ns"] - floor) / answered
    rows.append(("Line %d baud, 1 MiB image, ymodem-send, acknowledged: time" % BAUD,
                 s(mine["measured_ns"]),
                 "protocol floor %s; wire floor %s" % (s(floor), s(mine["wire_ns"])),
                 "%s over the floor a reply (%d replies); target ≤ 1 ms a reply"
                 % (ms(excess), answered), yes(excess <= 1_000_000)))
    if tools.sb:
        theirs = line_figures(only_transfer(run_sb(tools, folder, image, 1, paced, timeout)),
                              BAUD)
        rows.append(("Line %d baud, 1 MiB image, lrzsz sb -k: time" % BAUD,
                     s(theirs["measured_ns"]), "wire floor %s" % s(theirs["wire_ns"]),
                     "%s of the wire floor; ymodem-send takes %.3f× as long"
                     % (pct(theirs["wire_ns"] / theirs["measured_ns"]),
                        mine["measured_ns"] / theirs["measured_ns"]), "reference"))
    events, _ = run_ours(tools, folder, image, 1, paced + ["--ymodem-g"], timeout, BAUD)
    stream = stream_figures(events, BAUD)
    over = stream["measured_ns"] / stream["wire_ns"] - 1
    rows.append(("Line %d baud, 1 MiB image, ymodem-send, YMODEM-G: time" % BAUD,
                 s(stream["measured_ns"]), "wire floor %s" % s(stream["wire_ns"]),
                 "%s over the wire time; target ≤ 1 %%" % pct(over), yes(over <= 0.01)))
    big = make_image(folder, 64 * MIB, "fw64m.bin")
    elapsed, peak, out = run_peak(tools, folder, big, ["--ymodem-g"], 300)
    device_rate = next(part for part in out.split() if part.startswith("rate="))
    rows.append(("Unpaced pseudo-terminal, 64 MiB image, YMODEM-G: rate and peak memory",
                 "%.1f MiB/s" % (64 / elapsed),
                 "the device's own count, block 0 to EOT: %s" % device_rate,
                 "ymodem-send's peak resident memory %.1f MiB (the image is 64 MiB), "
                 "%.2f s from start to exit" % (peak / MIB, elapsed), "—"))
    notes.append("- 1 MiB acknowledged: %d frames, turnarounds on the paced line: median %s."
                 % (len(mine["frames"]), ms(sorted(mine["turnarounds"])[answered // 2])))


def main():
    from bench import Tools
    tools = Tools(sys.argv[1])
    rows, notes = [], []
    with tempfile.TemporaryDirectory(prefix="ymodem-large-") as folder:
        bench_large(tools, folder, None, rows, notes)
    for row in rows:
        print("| " + " | ".join(row) + " |")
    print("\n".join(notes))


if __name__ == "__main__":
    main()
