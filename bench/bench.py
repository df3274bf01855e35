#!/usr/bin/env python3
"""Runs the benchmarks of ymodem-burner and writes RESULTS.md. Started by run.sh, which
waits for a quiet machine first; see there for the options.

Every timing of the line comes from the virtual device's --timing log: one line per read
or write with the monotonic clock. Both senders, ours and lrzsz's sb, are measured the same
way against the same device in the same run."""
import argparse
import math
import os
import platform
import random
import re
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

SOH, STX, EOT = 0x01, 0x02, 0x04
NS_PER_S = 1_000_000_000
QUIET_GAP_NS = 2_000_000      # the sender judges a reply after the line was quiet this long
EOT_DELAY_NS = 20_000_000     # the sender's EOT follows its last block by this much
BITS_PER_BYTE = 10            # 8N1
IMAGE_SIZE = 32767            # the largest burn file


class BenchError(Exception):
    pass


# ---- the --timing log ------------------------------------------------------------------

class Event:
    __slots__ = ("t", "write", "count", "head")

    def __init__(self, line):
        t, direction, count, head = (line.split() + [""])[:4]
        self.t = int(t)
        self.write = direction == "w"
        self.count = int(count)
        self.head = bytes.fromhex(head)


def read_log(path):
    with open(path) as f:
        return [Event(line) for line in f if line.strip()]


def wire_ns(count, baud):
    return count * BITS_PER_BYTE * NS_PER_S // baud


def turnarounds(events):
    """Each device write answered by a block: from the write (the sender has the reply's
    last byte) to the read of the block's first byte. A write answered by nothing (a C the
    sender ignores, the ACK of the last block, which the EOT timer answers) gives none."""
    samples = []
    for write, read in zip(events, events[1:]):
        if write.write and not read.write and read.head[:1] in (bytes([SOH]), bytes([STX])):
            samples.append(read.t - write.t)
    return samples


def transfers(events):
    """Splits the log into transfers: from the read that starts a block 0 to the device's
    ACK C of the EOT. A block 0 with an empty name ends an lrzsz batch and starts none."""
    found = []
    start = None
    eot_seen = False
    for i, e in enumerate(events):
        if (not e.write and len(e.head) >= 4 and e.head[:3] in (b"\x01\x00\xff", b"\x02\x00\xff")
                and e.head[3] != 0):
            start, eot_seen = i, False
        elif start is not None and not e.write and e.head == bytes([EOT]):
            eot_seen = True
        elif start is not None and eot_seen and e.write and e.head[:2] == b"\x06C":
            found.append(events[start:i + 1])
            start = None
    return found


def frames_of(transfer, baud):
    """The sender's frames in a transfer and the device's replies, in order, as (size,
    time) pairs. A frame starts with the first read after a device write, or is the EOT,
    which our sender sends on a timer and so may come before the device's ACK of the last
    block. A frame's time is when its last byte has crossed the modelled line, as the
    device's LinePacer has it: a chunk starts when it was read or when the line is free; a
    reply's time is the device's write."""
    frames, replies = [], []
    previous_write = True
    line_free = 0
    for e in transfer:
        if e.write:
            replies.append((e.count, e.t))
        else:
            line_free = max(e.t, line_free) + wire_ns(e.count, baud)
            if previous_write or (e.count == 1 and e.head == bytes([EOT])):
                frames.append((e.count, line_free))
            else:
                frames[-1] = (frames[-1][0] + e.count, line_free)
        previous_write = e.write
    sizes = [size for size, _ in frames]
    if any(size not in (1, 133, 1029) for size in sizes) or sizes[-1] != 1 or len(
            replies) != len(frames):
        raise BenchError("frames not told apart in the log: %s, replies %s" % (sizes, replies))
    return frames, replies


def device_lateness_ns(frames, replies, baud):
    """How much later than its own line model the device wrote each reply: it answers a
    frame once its last byte has crossed the line and writes the answer when that has
    crossed too, but it can only wake up for that write so punctually. Every nanosecond of
    it delays the sender as well, so it is part of the measured time that is not the
    sender's."""
    late = []
    out_free = 0
    for (_, frame_end), (size, written) in zip(frames, replies):
        due = max(frame_end, out_free) + wire_ns(size, baud)
        out_free = due
        late.append(written - due)
    return late


def line_figures(transfer, baud):
    """The measured time: from the moment the first byte of block 0 starts to cross the
    line into the device (the device models the line as LinePacer does: a chunk starts when
    it is read or when the line is free) to the moment the device hands the sender its ACK
    of the EOT (written when its last bit has crossed the line)."""
    start = transfer[0].t
    end = transfer[-1].t
    frames, replies = frames_of(transfer, baud)
    sent = sum(size for size, _ in frames)
    replied = sum(size for size, _ in replies)
    return {
        "measured_ns": end - start,
        "wire_ns": wire_ns(sent + replied, baud),
        "frames": [size for size, _ in frames],
        "bytes_sent": sent,
        "bytes_replied": replied,
        "turnarounds": turnarounds(transfer),
        "device_late": device_lateness_ns(frames, replies, baud),
    }


def protocol_floor_ns(frames, baud):
    """The fastest our sender may be on a perfect line: every block starts 2 ms after the
    last byte of the reply it answers; the EOT starts 20 ms after the last block was handed
    over, or when that block has left the line if that is later; the device's ACK of the
    last block and the EOT cross at the same time, one in each direction."""
    t = 0
    in_free = out_free = 0
    last_write = 0
    for k, size in enumerate(frames[:-1]):
        last_write = t
        in_free = t + wire_ns(size, baud)
        out_free = in_free + wire_ns(2 if k == 0 else 1, baud)
        t = out_free + QUIET_GAP_NS
    eot_end = max(last_write + EOT_DELAY_NS, in_free) + wire_ns(frames[-1], baud)
    return max(eot_end, out_free) + wire_ns(2, baud)


# ---- processes -------------------------------------------------------------------------

class Device:
    """ymodem-devsim on a new pseudo-terminal, logging its line."""

    def __init__(self, tools, folder, log, *options):
        self.log = log
        args = [tools.devsim, "--no-link", "--timing", log, *options]
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True, cwd=folder)
        first = self.process.stdout.readline()
        if not first.startswith("port: "):
            raise BenchError("ymodem-devsim did not start: %r %s" % (first, self.process.stderr.read()))
        self.port = first[len("port: "):].strip()

    def finish(self, timeout):
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.communicate()
            raise BenchError("ymodem-devsim did not finish")
        if self.process.returncode != 0 or "MISMATCH" in out:
            raise BenchError("ymodem-devsim exited %d\n%s%s" % (self.process.returncode, out, err))
        return out


def run_ours(tools, folder, image, count, device_options, timeout, baud=115200):
    log = os.path.join(folder, "line-%d.log" % time.monotonic_ns())
    device = Device(tools, folder, log, "--count", str(count), "--expect", image,
                    "--timeout", str(timeout), *device_options)
    sender = run_sender(device, [tools.send, "--quiet", "--baud", str(baud), "--count",
                                 str(count), "--timeout", str(timeout), device.port, image],
                        timeout)
    out = device.finish(timeout + 30)
    if out.count("verify: OK") != count:
        raise BenchError("the device verified %d of %d images\n%s" % (out.count("verify: OK"),
                                                                     count, out))
    return read_log(log), sender


def run_sender(device, args, timeout):
    """Runs a sender against the device; gives its process id. Its output goes to a file:
    through a pipe, every status line would wake this script up while it is being timed."""
    with tempfile.TemporaryFile("w+") as output:
        sender = subprocess.Popen(args, stdout=output, stderr=output)
        try:
            sender.wait(timeout=timeout + 30)
        except subprocess.TimeoutExpired:
            sender.kill()
            device.process.kill()
            raise
        if sender.returncode != 0:
            device.process.kill()
            output.seek(0)
            raise BenchError("%s exited %d\n%s" % (os.path.basename(args[0]), sender.returncode,
                                                   output.read()))
    return sender.pid


def run_minimal(tools, folder, image, count, device_options, timeout):
    log = os.path.join(folder, "line-minimal-%d.log" % time.monotonic_ns())
    device = Device(tools, folder, log, "--count", str(count), "--expect", image,
                    "--timeout", str(timeout), *device_options)
    sender = run_sender(device, [sys.executable, tools.minimal, device.port, image, str(count)],
                        timeout)
    out = device.finish(timeout + 30)
    if out.count("verify: OK") != count:
        raise BenchError("the device verified %d of %d images from the minimal sender"
                         % (out.count("verify: OK"), count))
    return read_log(log), sender


def run_sb(tools, folder, image, count, device_options, timeout):
    """lrzsz's sb with 1K blocks, its standard input and output the device's line, once
    per transfer: each run sends one batch of one file and waits for the device's C."""
    log = os.path.join(folder, "line-sb-%d.log" % time.monotonic_ns())
    device = Device(tools, folder, log, "--count", str(count), "--expect", image,
                    "--timeout", str(timeout), *device_options)
    for _ in range(count):
        line = os.open(device.port, os.O_RDWR | os.O_NOCTTY)
        try:
            result = subprocess.run([tools.sb, "--ymodem", "-k", "-q", os.path.basename(image)],
                                    stdin=line, stdout=line, stderr=subprocess.PIPE,
                                    cwd=os.path.dirname(image), timeout=timeout + 30)
        except subprocess.TimeoutExpired:
            device.process.kill()
            raise
        finally:
            os.close(line)
        if result.returncode != 0:
            device.process.kill()
            raise BenchError("sb exited %d: %s" % (result.returncode, result.stderr.decode()))
    out = device.finish(timeout + 30)
    if out.count("verify: OK") != count:
        raise BenchError("the device verified %d of %d images from sb" % (out.count("verify: OK"),
                                                                          count))
    return read_log(log)


def make_image(folder, size, name="app.bin"):
    path = os.path.join(folder, name)
    rng = random.Random(20240607 + size)
    with open(path, "wb") as f:
        f.write(bytes(rng.randrange(256) for _ in range(size)))
    return path


# ---- statistics and text ---------------------------------------------------------------

def percentile(samples, p):
    """Nearest rank: the smallest sample with at least p percent of all at or below it."""
    ordered = sorted(samples)
    return ordered[max(0, math.ceil(p / 100 * len(ordered)) - 1)]


def ms(ns, digits=3):
    return "%.*f ms" % (digits, ns / 1e6)


def s(ns):
    return "%.3f s" % (ns / NS_PER_S)


def pct(x):
    return "%.2f %%" % (100 * x)


def yes(ok):
    return "yes" if ok else "**no**"


# ---- the benchmarks --------------------------------------------------------------------

def median_line_run(run, repeats, baud):
    """The line figures of the median of `repeats` single transfers, and all of them."""
    figures = []
    for _ in range(repeats):
        runs = transfers(run())
        if len(runs) != 1:
            raise BenchError("expected one transfer in the log at %d baud" % baud)
        figures.append(line_figures(runs[0], baud))
    figures.sort(key=lambda f: f["measured_ns"])
    return figures[len(figures) // 2], figures


def bench_line(tools, folder, config, rows, notes):
    for baud, size, repeats in config.line_runs:
        image = make_image(folder, size, "fw%d.bin" % size)
        timeout = int(size * 12 / baud) + 30
        paced = ["--line-rate", str(baud)]
        mine, ours = median_line_run(
            lambda: run_ours(tools, folder, image, 1, paced, timeout, baud)[0], repeats, baud)
        floor = protocol_floor_ns(mine["frames"], baud)
        answered = len(mine["turnarounds"])
        excess = (mine["measured_ns"] - floor) / answered if answered else 0
        least, _ = median_line_run(
            lambda: run_minimal(tools, folder, image, 1, paced, timeout)[0], repeats, baud)
        least_excess = (least["measured_ns"] - floor) / answered if answered else 0
        theirs = None
        if tools.sb:
            theirs, ref = median_line_run(
                lambda: run_sb(tools, folder, image, 1, paced, timeout), repeats, baud)

        label = "Line %d baud, %d-byte image" % (baud, size)
        ratio = mine["wire_ns"] / mine["measured_ns"]
        if baud >= 115200:
            target = "≤ 1 ms a reply over the protocol floor"
            met = excess <= 1_000_000
            rows.append((label + ", ymodem-send: time",
                         s(mine["measured_ns"]),
                         "protocol floor %s; wire floor %s" % (s(floor), s(mine["wire_ns"])),
                         "%s over the floor a reply (%d replies); %s of the wire floor, %s "
                         "of the protocol floor; target %s"
                         % (ms(excess), answered, pct(ratio), pct(floor / mine["measured_ns"]),
                            target),
                         yes(met)))
        else:
            rows.append((label + ", ymodem-send: time",
                         s(mine["measured_ns"]),
                         "wire floor %s; protocol floor %s" % (s(mine["wire_ns"]), s(floor)),
                         "%s of the wire floor (%s of the protocol floor); target ≥ 99 %%"
                         % (pct(ratio), pct(floor / mine["measured_ns"])),
                         yes(ratio >= 0.99)))
        rows.append((label + ", minimal sender (same rules): time",
                     s(least["measured_ns"]),
                     "protocol floor %s; wire floor %s" % (s(floor), s(least["wire_ns"])),
                     "%s over the floor a reply; %s of the wire floor"
                     % (ms(least_excess), pct(least["wire_ns"] / least["measured_ns"])),
                     "reference"))
        if theirs:
            rows.append((label + ", lrzsz sb -k: time",
                         s(theirs["measured_ns"]),
                         "wire floor %s" % s(theirs["wire_ns"]),
                         "%s of the wire floor; ymodem-send takes %s as long"
                         % (pct(theirs["wire_ns"] / theirs["measured_ns"]),
                            "%.3f×" % (mine["measured_ns"] / theirs["measured_ns"])),
                         "reference"))
        late = sum(mine["device_late"])
        over = mine["measured_ns"] - floor
        notes.append(
            "- %d baud, %d bytes, median of %d run(s) each: ymodem-send sent %d bytes in %d "
            "frames (%s), the device replied %d bytes; turnarounds on the paced line: median "
            "%s, max %s. Over the protocol floor: %s in all, of which the device's own late "
            "writes %s (%d replies, median %s, max %s late on its line model) and the "
            "sender's %s, %s a reply answered. All runs: %s."
            % (baud, size, repeats, mine["bytes_sent"], len(mine["frames"]),
               frame_summary(mine["frames"]), mine["bytes_replied"],
               ms(statistics.median(mine["turnarounds"])), ms(max(mine["turnarounds"])),
               ms(over), ms(late), len(mine["device_late"]),
               ms(statistics.median(mine["device_late"])), ms(max(mine["device_late"])),
               ms(over - late), ms((over - late) / max(1, answered)),
               ", ".join(s(f["measured_ns"]) for f in ours)))
        notes.append(
            "- %d baud, %d bytes: the minimal sender's turnarounds on the paced line: median "
            "%s, max %s; the device's late writes: %s in all."
            % (baud, size, ms(statistics.median(least["turnarounds"])),
               ms(max(least["turnarounds"])), ms(sum(least["device_late"]))))
        if theirs:
            notes.append(
                "- %d baud, %d bytes: sb sent %d bytes in %d frames (%s), the device replied "
                "%d bytes; sb's turnarounds: median %s, max %s; the device's late writes: %s "
                "in all. All runs: %s."
                % (baud, size, theirs["bytes_sent"], len(theirs["frames"]),
                   frame_summary(theirs["frames"]), theirs["bytes_replied"],
                   ms(statistics.median(theirs["turnarounds"])), ms(max(theirs["turnarounds"])),
                   ms(sum(theirs["device_late"])),
                   ", ".join(s(f["measured_ns"]) for f in ref)))


def frame_summary(frames):
    counts = {}
    for size in frames:
        counts[size] = counts.get(size, 0) + 1
    return ", ".join("%d×%d B" % (n, size) for size, n in sorted(counts.items(), reverse=True))


def bench_turnaround(tools, folder, config, rows, notes):
    image = make_image(folder, IMAGE_SIZE)
    count = config.turnaround_transfers
    timeout = 60 + 2 * count
    # The device asks again 600 ms after a transfer: after the sender's own 500 ms return
    # to idle, so that no C is wasted.
    with SyscallTrace() as trace:
        events, pid = run_ours(tools, folder, image, count, ["--gap", "600"], timeout)
    samples = turnarounds(events)
    if len(transfers(events)) != count:
        raise BenchError("%d of %d transfers found in the log" % (len(transfers(events)), count))
    first = turnarounds_after_c(events) or [0]
    with SyscallTrace() as minimal_trace:
        minimal_events, minimal_pid = run_minimal(tools, folder, image, count, ["--gap", "600"],
                                                  timeout)
    minimal = turnarounds(minimal_events)
    ref = None
    if tools.sb:
        sb_events = run_sb(tools, folder, image, config.turnaround_sb_transfers, [],
                           30 + 3 * config.turnaround_sb_transfers)
        ref = turnarounds(sb_events)

    def refs(f):
        text = "minimal sender: %s" % ms(f(minimal))
        return text + ("; sb: %s" % ms(f(ref)) if ref else "")

    median, p99, worst = statistics.median(samples), percentile(samples, 99), max(samples)
    rows.append(("Turnaround, median (%d transfers, %d replies)" % (count, len(samples)),
                 ms(median), refs(statistics.median), "target ≤ 2.5 ms", yes(median <= 2_500_000)))
    rows.append(("Turnaround, 99th percentile", ms(p99), refs(lambda r: percentile(r, 99)),
                 "target ≤ 4 ms", yes(p99 <= 4_000_000)))
    rows.append(("Turnaround, maximum", ms(worst), refs(max), "no target", "—"))
    parts = split_turnarounds(events, trace.text, pid)
    minimal_parts = split_turnarounds(minimal_events, minimal_trace.text, minimal_pid)
    if parts and minimal_parts:
        for key, title in (("sender", "the sender's own part: its read of the reply to its "
                                      "write of the block (2 ms gap included)"),
                           ("pty", "the write of the block to the device's read of it (the "
                                   "pseudo-terminal and the device)")):
            rows.append(("Turnaround split: " + title, spread(parts[key]),
                         "minimal sender: " + spread(minimal_parts[key]), "no target", "—"))
        notes.append(
            "- The split comes from ftrace: read() and write() system calls of the two senders "
            "on CLOCK_MONOTONIC, matched to the device's log. The device's write to the "
            "sender's read: ymodem-send %s; minimal sender %s."
            % (spread(parts["wake"]), spread(minimal_parts["wake"])))
        stalls = [sum(1 for x in p["pty"] if x > 1_500_000) for p in (parts, minimal_parts)]
        notes.append(
            "- Pseudo-terminal stalls (more than 1.5 ms from a sender's write of a block to the "
            "device's read of it): ymodem-send %d, minimal sender %d, of %d and %d turnarounds."
            % (stalls[0], stalls[1], len(parts["pty"]), len(minimal_parts["pty"])))
    else:
        notes.append("- No split of the turnaround: tracefs (/sys/kernel/tracing) cannot be "
                     "written here.")
    late = sleep_overshoots(config.sleep_samples)
    rows.append(("Platform: lateness of a 2 ms poll() timeout",
                 "median %s, 99th percentile %s, max %s"
                 % (ms(statistics.median(late)), ms(percentile(late, 99)), ms(max(late))),
                 "%d sleeps right after the turnaround run" % len(late),
                 "what a turnaround cannot avoid", "—"))
    over = sorted(samples)[-5:]
    notes.append(
        "- ymodem-send: %d samples, minimum %s, 90th percentile %s; the five largest: %s. "
        "Answers to the device's C (block 0, which also builds the header and prints the "
        "handshake line): median %s, max %s."
        % (len(samples), ms(min(samples)), ms(percentile(samples, 90)),
           ", ".join(ms(x) for x in over), ms(statistics.median(first)), ms(max(first))))
    notes.append("- The minimal sender (bench/minimal_sender.py) keeps the same rules with "
                 "nothing else to do: %d samples, 90th percentile %s; the five largest: %s."
                 % (len(minimal), ms(percentile(minimal, 90)),
                    ", ".join(ms(x) for x in sorted(minimal)[-5:])))
    if ref:
        notes.append("- sb: %d samples over %d transfers (it waits for no quiet gap)."
                     % (len(ref), config.turnaround_sb_transfers))


def spread(samples):
    return "median %s, 99th percentile %s, max %s" % (
        ms(statistics.median(samples)), ms(percentile(samples, 99)), ms(max(samples)))


class SyscallTrace:
    """read() and write() system calls of every process while it lasts, from a private
    ftrace instance on CLOCK_MONOTONIC, the device's clock; text stays None where tracefs
    cannot be written (not root)."""

    ROOT = "/sys/kernel/tracing"
    EVENTS = ("syscalls/sys_enter_read", "syscalls/sys_exit_read", "syscalls/sys_enter_write")

    def __init__(self):
        self.text = None
        self.path = os.path.join(self.ROOT, "instances", "ymodem-bench-%d" % os.getpid())

    def _put(self, name, value):
        with open(os.path.join(self.path, name), "w") as f:
            f.write(value)

    def __enter__(self):
        try:
            os.mkdir(self.path)
        except OSError:
            self.path = None
            return self
        try:
            self._put("trace_clock", "mono")
            self._put("buffer_size_kb", "16384")
            for event in self.EVENTS:
                self._put("events/%s/enable" % event, "1")
            self._put("tracing_on", "1")
        except OSError:
            self.__exit__()
        return self

    def __exit__(self, *_):
        if self.path is None:
            return
        try:
            self._put("tracing_on", "0")
            with open(os.path.join(self.path, "trace")) as f:
                self.text = f.read()
            for event in self.EVENTS:
                self._put("events/%s/enable" % event, "0")
        except OSError:
            self.text = None
        finally:
            os.rmdir(self.path)
            self.path = None


TRACE_LINE = re.compile(r"^\s*.+?-(\d+)\s+\[\d+\]\s+\S+\s+(\d+)\.(\d+): (sys_read|sys_write)(.*)$")


def split_turnarounds(events, text, pid):
    """Each turnaround in three: the device's write to the sender's read of the reply
    ("wake"), that read to the sender's write of the block ("sender"), that write to the
    device's read ("pty"). The sender's port is the descriptor its blocks go to."""
    if not text:
        return None
    reads, writes, pending = [], [], {}
    for line in text.splitlines():
        match = TRACE_LINE.match(line)
        if not match or int(match.group(1)) != pid:
            continue
        t = int(match.group(2)) * NS_PER_S + int(match.group(3).ljust(9, "0")[:9])
        call, rest = match.group(4), match.group(5)
        if call == "sys_read" and rest.startswith("("):
            pending[pid] = int(re.search(r"fd: (\w+)", rest).group(1), 16)
        elif call == "sys_read":
            returned = int(rest.split("->")[1], 16)
            if returned < 2 ** 63 and returned > 0 and pid in pending:
                reads.append((t, pending[pid]))
        else:
            fields = dict(re.findall(r"(\w+): (\w+)", rest))
            if int(fields["count"], 16) in (133, 1029):
                writes.append((t, int(fields["fd"], 16)))
    if not writes:
        return None
    port = writes[0][1]
    reads = [t for t, fd in reads if fd == port]
    writes = [t for t, fd in writes if fd == port]
    parts = {"wake": [], "sender": [], "pty": []}
    for write, read in zip(events, events[1:]):
        if not (write.write and not read.write and read.head[:1] in (bytes([SOH]), bytes([STX]))):
            continue
        sent = [t for t in writes if t <= read.t]
        if not sent:
            continue
        got = [t for t in reads if t <= sent[-1]]
        if not got:
            continue
        parts["wake"].append(got[-1] - write.t)
        parts["sender"].append(sent[-1] - got[-1])
        parts["pty"].append(read.t - sent[-1])
    return parts if parts["sender"] else None


def sleep_overshoots(count):
    """How late a 2 ms poll() timeout returns on this machine right now: the part of a
    turnaround that no sender can avoid. In Python, so each sample also carries a few
    microseconds of interpreter."""
    poller = select.poll()
    samples = []
    for _ in range(count):
        t0 = time.monotonic_ns()
        poller.poll(2)
        samples.append(time.monotonic_ns() - t0 - QUIET_GAP_NS)
    return samples


def turnarounds_after_c(events):
    return [read.t - write.t for write, read in zip(events, events[1:])
            if write.write and write.head == b"C" and not read.write and read.head[:1] == bytes([SOH])]


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


def window_run(tools, folder, bare, idle_s):
    """Starts the window bench; gives start-up to shown, resident memory and, with idle_s,
    the wake-ups per second of all its threads with the port open."""
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(folder, "config"),
               QT_QPA_PLATFORM="offscreen")
    os.makedirs(env["XDG_CONFIG_HOME"], exist_ok=True)
    image = make_image(folder, IMAGE_SIZE)
    with open(os.path.join(env["XDG_CONFIG_HOME"], "YmodemCfg.ini"), "w") as f:
        f.write("[Para1]\nSaveComm=bench0\nCboBaud=4\nPath=%s\n" % image)
    args = [tools.window] + (["--bare"] if bare else [])
    started = time.monotonic_ns()
    process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                               env=env)
    try:
        values = {}
        wanted = {"shown", "rss"} if bare else {"shown", "rss", "open"}
        while not wanted <= values.keys():
            line = process.stdout.readline()
            if not line:
                raise BenchError("bench_window ended early: %s" % process.stderr.read())
            key, _, value = line.strip().partition(" ")
            values[key] = value
        figures = {"startup_ns": int(values["shown"]) - started, "rss_kib": int(values["rss"]),
                   "steps": [(key, int(values[key]) - started)
                             for key in ("app", "built", "loaded", "shown") if key in values]}
        if idle_s:
            time.sleep(1)  # whatever start-up left queued
            before = context_switches(process.pid)
            time.sleep(idle_s)
            after = context_switches(process.pid)
            figures["wakeups"] = {name: after.get(name, 0) - before.get(name, 0)
                                  for name in set(before) | set(after)}
            figures["idle_s"] = idle_s
        return figures
    finally:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def context_switches(pid):
    """Context switches of every thread of pid, by "tid name": a thread that sleeps and is
    woken counts at least one."""
    counts = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/status" % (pid, tid)) as f:
                fields = dict(line.split(":", 1) for line in f if ":" in line)
        except FileNotFoundError:
            continue
        counts["%s %s" % (tid, fields["Name"].strip())] = (
            int(fields["voluntary_ctxt_switches"]) + int(fields["nonvoluntary_ctxt_switches"]))
    return counts


def bench_window(tools, folder, config, rows, notes):
    if not tools.window:
        rows.append(("Window", "not built", "—", "bench_window needs the Qt libraries added "
                     "before bench/ in CMakeLists.txt", "—"))
        return
    startups, rss, steps = [], [], []
    bare_startups, bare_rss = [], []
    for i in range(config.window_starts):
        f = window_run(tools, os.path.join(folder, "w%d" % i), False, 0)
        startups.append(f["startup_ns"])
        steps.append(f["steps"])
        rss.append(f["rss_kib"])
        b = window_run(tools, os.path.join(folder, "b%d" % i), True, 0)
        bare_startups.append(b["startup_ns"])
        bare_rss.append(b["rss_kib"])
    idle = window_run(tools, os.path.join(folder, "idle"), False, config.idle_seconds)
    wakeups = sum(idle["wakeups"].values())
    rate = wakeups / idle["idle_s"]
    startup = statistics.median(startups)
    rows.append(("Window: process start to shown (offscreen)", ms(startup, 1),
                 "bare QWidget: %s" % ms(statistics.median(bare_startups), 1),
                 "target ≤ 300 ms", yes(startup <= 300_000_000)))
    rows.append(("Window: resident memory when shown", "%.1f MiB" % (max(rss) / 1024),
                 "bare QWidget: %.1f MiB" % (max(bare_rss) / 1024), "target ≤ 60 MiB",
                 yes(max(rss) <= 60 * 1024)))
    rows.append(("Window: wake-ups while idle, port open", "%.2f /s" % rate,
                 "%d context switches in %d s" % (wakeups, idle["idle_s"]),
                 "target: none", yes(wakeups == 0)))
    notes.append("- start-up, each run: %s; bare QWidget: %s. Resident memory: %s KiB "
                 "(bare: %s KiB)."
                 % (", ".join(ms(x, 1) for x in startups),
                    ", ".join(ms(x, 1) for x in bare_startups),
                    ", ".join(str(x) for x in rss), ", ".join(str(x) for x in bare_rss)))
    middle = steps[startups.index(sorted(startups)[len(startups) // 2])]
    notes.append("- the median start-up by step, from the process start: %s."
                 % ", ".join("%s %s" % (key, ms(t, 1)) for key, t in middle))
    notes.append("- context switches while idle, by thread: %s."
                 % ", ".join("%s: %d" % kv for kv in sorted(idle["wakeups"].items())))


# ---- the report ------------------------------------------------------------------------

def fuzzers_running():
    """Whether a process other than this one has "fuzz_" in its command line (ours may,
    in a note)."""
    found = subprocess.run(["pgrep", "-f", "fuzz_"], capture_output=True, text=True).stdout
    return any(int(pid) != os.getpid() for pid in found.split())


class FuzzerWatch:
    """Looks for fuzzers every two seconds while a part runs: a short fuzzing run that
    starts and ends inside one part still counts."""

    def __init__(self):
        self.seen = False
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._watch, daemon=True)

    def _watch(self):
        while not self._stop.is_set():
            if fuzzers_running():
                self.seen = True
            self._stop.wait(2)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *_):
        self._stop.set()
        self._thread.join()


def machine():
    model = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return "%d cores (nproc), %s, Linux %s" % (os.cpu_count() or 0, model, platform.release())


def git_commit(source):
    try:
        head = subprocess.run(["git", "-C", source, "rev-parse", "--short", "HEAD"],
                              capture_output=True, text=True, check=True).stdout.strip()
    except (subprocess.CalledProcessError, FileNotFoundError):
        return "unknown"
    return head


def write_report(path, config, rows, notes, started, finished, load):
    lines = ["# Benchmark results", ""]
    if config.quick:
        lines += ["Quick run (`run.sh --quick`): short versions, figures not meaningful.", ""]
    lines += ["Machine: %s. Commit %s. Run %s – %s; load average %s at the start, %s at the "
              "end." % (machine(), git_commit(config.source), started, finished, load[0], load[1]),
              ""]
    for note in config.note:
        lines += [note, ""]
    lines += ["| Benchmark | Measured | Reference | Ratio / target | Met? |",
              "|---|---|---|---|---|"]
    if config.quick:
        rows = [row[:-1] + ("(quick)",) for row in rows]
    lines += ["| %s |" % " | ".join(row) for row in rows]
    lines += ["", "## Definitions", "",
              DEFINITIONS.strip(), "", "## Details", ""] + notes + [""]
    with open(path, "w") as f:
        f.write("\n".join(lines))


DEFINITIONS = """
- **Line, time**: one image flashed into `ymodem-devsim --line-rate BAUD`, which paces every
  byte as an 8N1 line would. Measured from the moment the first byte of block 0 starts to
  cross the line into the device to the moment the device hands the sender its ACK of the
  EOT, that is, once the last bit of the ACK has crossed the line. Both senders are timed
  with that same definition from the device's `--timing` log. The time includes how late
  the virtual device itself wakes up to write each reply; the details below split it off.
- **Wire floor**: every byte of that interval, both ways, at 10 bits a byte, one after the
  other.
- **Protocol floor** (ymodem-send only): the fastest our sender may be on that line. Each
  block starts 2 ms after the last byte of the reply it answers (the quiet gap that judges a
  reply); the EOT starts 20 ms after the last block was handed over, or when that block has
  left the line if that is later; the device's ACK of the last block and the EOT cross at
  the same time in the two directions. At 115200 baud that is the wire floor plus 2 ms for
  each answered reply plus the part of the 20 ms the last block and its ACK do not fill;
  at 9600 baud the last block outlasts the 20 ms. "Over the floor a reply" is (time −
  protocol floor) / replies answered by a block.
- **Turnaround**: without line pacing, from the device's write of a reply (taken after the
  write returned: the sender has the bytes) to its read of the first bytes of the block that
  answers it (taken when the read returned), from the same log. This includes the 2 ms quiet
  gap, the wake-up of both processes and the pseudo-terminal. Replies answered by no block
  are left out: the ACK of the last block (the EOT follows on a 20 ms timer) and the final
  ACK C.
- **Turnaround split**: where tracefs can be written (root), the same run is traced with
  ftrace (read() and write() system calls of every process, on CLOCK_MONOTONIC, the device's
  clock) and each turnaround is cut in three: the device's write to the sender's read of the
  reply, that read to the sender's write of the block (the sender's own part, the 2 ms gap
  included), and that write to the device's read of the block (the pseudo-terminal and the
  device's wake-up).
- **Pseudo-terminal stalls**: on this machine (2 vCPUs, HZ=250, no kernel preemption) the
  bytes a sender writes into the pseudo-terminal now and then take about 3 ms to reach the
  device: ftrace's scheduler events show the kernel worker that moves them (flush_to_ldisc)
  running until the next 4 ms tick while the device sits in ppoll() on the other CPU. They
  come in episodes that last a whole run and hit any sender alike; a turnaround that meets
  one is about 5 ms. Counted below for both senders.
- **Minimal sender**: `bench/minimal_sender.py`, the least a sender can do under the same
  rules (frames built beforehand, a 2 ms quiet gap timed to the microsecond, EOT 20 ms after
  the last block, 500 ms deaf after the final ACK), run against the same device in the same
  run. What it shows beyond the floors is the machine's, not the sender's.
- **Engine instructions**: callgrind's instruction count of `bench_engine_transfer
  --transfers N`, the engine alone on a simulated clock with a link and a view that do
  nothing, for two N; the difference over the extra transfers removes start-up.
- **Window**: `bench_window` builds the window as `ymodem-burner` does (real serial control,
  burn file from disk, `Load()`, `show()`) on the offscreen platform. Start-up: from just
  before the process is started to the window exposed and painted (median of the runs).
  Memory: VmRSS at that moment (largest of the runs). Wake-ups: the window then opens a
  pseudo-terminal nobody writes to through its open button; every thread's voluntary and
  involuntary context switches are summed over the idle time. The reference is the same
  program showing a bare QWidget (`--bare`): what Qt alone costs.
"""


class Tools:
    def __init__(self, build):
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
            self.line_runs = [(115200, 5000, 1), (9600, 1100, 1)]
            self.turnaround_transfers = 2
            self.turnaround_sb_transfers = 1
            self.sleep_samples = 200
            self.engine_transfers = (1, 2)
            self.engine_min_time = "0.05"
            self.window_starts = 1
            self.idle_seconds = 1
        else:
            self.line_runs = [(115200, IMAGE_SIZE, 3), (9600, IMAGE_SIZE, 1)]
            self.turnaround_transfers = 25
            self.turnaround_sb_transfers = 5
            self.sleep_samples = 2000
            self.engine_transfers = (1, 11)
            self.engine_min_time = "2"
            self.window_starts = 5
            self.idle_seconds = 10


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
                ("Engine", bench_engine), ("Window", bench_window)]
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
