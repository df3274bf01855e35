"""The window: start-up, resident memory and wake-ups while idle, against a bare QWidget."""
import os
import signal
import statistics
import subprocess
import time

from figures import BenchError, ms, yes
from processes import IMAGE_SIZE, make_image


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
