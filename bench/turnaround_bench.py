"""Turnaround: from the device's reply to the block that answers it, on an unpaced line,
split by ftrace where it can be written; and how late the platform wakes from a 2 ms
timeout."""
import os
import re
import select
import statistics
import time

from figures import NS_PER_S, BenchError, ms, percentile, spread, yes
from processes import IMAGE_SIZE, make_image, run_minimal, run_ours, run_sb
from timing_log import QUIET_GAP_NS, SOH, STX, transfers, turnarounds, turnarounds_after_c


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
