"""RESULTS.md, the machine it was taken on, and the watch for fuzzers that would disturb
it."""
import os
import platform
import subprocess
import threading


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


def write_section(path, heading, rows, notes):
    """Writes a section of its own into RESULTS.md, after the main report: in the place of
    the one of that heading, or at the end."""
    text = open(path).read() if os.path.exists(path) else "# Benchmark results\n"
    after = ""
    if heading in text:
        start = text.index(heading)
        end = text.find("\n## ", start + len(heading))
        after = text[end:] if end >= 0 else ""
        text = text[:start]
    lines = [heading, ""] + notes + ["", "| Benchmark | Measured | Reference | Ratio / target | Met? |",
                                     "|---|---|---|---|---|"]
    lines += ["| %s |" % " | ".join(row) for row in rows]
    with open(path, "w") as f:
        f.write(text.rstrip("\n") + "\n\n" + "\n".join(lines) + "\n" + after)


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
- **Gang**: eight devices as in "Line", at 115200 baud, flashed at the same time by one
  `ymodem-send` given all eight ports; then eight more flashed at the same time by eight
  one-port `ymodem-send` processes, in the same run. Each port is held against its own
  protocol floor; the row gives the worst port. CPU time is the senders' user and system
  time from wait4(), start-up and the load of the image included, divided by the ports.
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
