#!/usr/bin/env python3
"""What waiting costs: one ymodem-send run told to --wait-port for 16 ports that never
appear, until its --timeout ends it; its CPU time (user + system, from wait4) over that
minute. On Linux, and with --build-win ymodem-send.exe under wine too (wine's server
apart: it serves every wine process). Writes its rows into the "Waiting ports" section of
RESULTS.md.

    wait_bench.py --build build [--build-win build-win] --results bench/RESULTS.md
"""
import argparse
import os
import subprocess
import tempfile
import time

from figures import BenchError
from processes import make_image
from report import machine, write_section
import wine_env  # noqa: E402 (on the path through processes)

HEADING = "## Waiting ports"
TARGET_S = 0.2  # a minute, for 16 ports


def cpu_seconds(command, env, timeout):
    """Runs the command to its end; gives its exit code and its CPU seconds."""
    with tempfile.TemporaryFile("w+") as output:
        process = subprocess.Popen(command, stdout=output, stderr=output, env=env)
        deadline = time.monotonic() + timeout
        while True:
            pid, status, usage = os.wait4(process.pid, os.WNOHANG)
            if pid:
                break
            if time.monotonic() > deadline:
                process.kill()
                raise BenchError("%s did not end" % command[0])
            time.sleep(0.2)
        process.returncode = os.waitstatus_to_exitcode(status)
        output.seek(0)
        return process.returncode, usage.ru_utime + usage.ru_stime, output.read()


def wineserver_cpu():
    """The CPU seconds so far of the wine server of this prefix: the one whose folder is
    named after the prefix's device and inode."""
    prefix = os.stat(os.environ["WINEPREFIX"])
    folder = "server-%x-%x" % (prefix.st_dev, prefix.st_ino)
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.path.basename(os.readlink("/proc/%s/cwd" % pid)) != folder:
                continue
            with open("/proc/%s/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    return None


def row(label, ports, seconds, code, cpu, output, extra=""):
    if code != 4:  # --timeout ends the wait
        return (label, "failed: exit %d" % code, output.strip()[-200:].replace("\n", " "),
                "target < %.1f s a minute for 16 ports" % TARGET_S, "no")
    per_minute = cpu * 60 / seconds
    scaled = per_minute * 16 / ports
    return (label, "%.3f s a minute" % per_minute, "%d ports, %d s%s" % (ports, seconds, extra),
            "target < %.1f s a minute for 16 ports" % TARGET_S,
            "yes" if scaled < TARGET_S else "no")


def bench_linux(args, image, kind):
    """kind: "names" as the window lists ports, or "paths" as /dev/serial/by-id gives them."""
    with tempfile.TemporaryDirectory() as config:
        env = dict(os.environ, XDG_CONFIG_HOME=config)  # an empty ports folder
        ports = [("ttyWAIT%d" if kind == "names" else config + "/by-id/usb-board%d")
                 % n for n in range(args.ports)]
        command = [os.path.join(args.build, "apps", "ymodem-send", "ymodem-send"), "--quiet",
                   "--wait-port", "--timeout", str(args.seconds), *ports, image]
        code, cpu, output = cpu_seconds(command, env, args.seconds + 30)
    return row("--wait-port, %d port %s that never appear, ymodem-send: CPU time"
               % (args.ports, kind), args.ports, args.seconds, code, cpu, output)


def bench_wine(args, image, ports):
    wine_env.use(args.build_win)
    names = ["COM%d" % n for n in range(100, 100 + ports)]
    for name in names:
        wine_env.unmap_com(name)
    command = ["wine", os.path.join(args.build_win, "apps", "ymodem-send", "ymodem-send.exe"),
               "--quiet", "--wait-port", "--timeout", str(args.seconds), *names,
               wine_env.windows_path(image)]
    server_before = wineserver_cpu()
    code, cpu, output = cpu_seconds(command, os.environ, args.seconds + 60)
    server_after = wineserver_cpu()
    server = ("" if server_before is None or server_after is None else
              "; wine's server meanwhile %.3f s" % (server_after - server_before))
    return row("--wait-port, %d ports that never appear, ymodem-send.exe under wine: CPU time"
               % ports, ports, args.seconds, code, cpu, output, server)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--build-win")
    parser.add_argument("--results", required=True)
    parser.add_argument("--seconds", type=int, default=60)
    parser.add_argument("--ports", type=int, default=16)
    parser.add_argument("--wine-ports", type=int, action="append",
                        help="port counts for the run under wine (default: --ports)")
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    started = time.strftime("%Y-%m-%d %H:%M:%S")
    with tempfile.TemporaryDirectory() as folder:
        image = make_image(folder, 1100)
        rows = [bench_linux(args, image, kind) for kind in ("names", "paths")]
        if args.build_win:
            args.build_win = os.path.abspath(args.build_win)
            rows += [bench_wine(args, image, n) for n in args.wine_ports or [args.ports]]
    notes = ["Machine: %s. Run %s. On Linux the system tells of a change in a waiting port's "
             "folders (inotify) and the port is looked for once a second besides; under wine "
             "it is looked for every 200 ms. The CPU time is the whole process's, start-up and "
             "the load of a 1100-byte image included." % (machine(), started)]
    write_section(args.results, HEADING, rows, notes)
    for found in rows:
        print(" | ".join(found))


if __name__ == "__main__":
    main()
