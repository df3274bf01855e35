#!/usr/bin/env python3
"""The Windows programs under wine, beside the Linux ymodem-send in the same run: their
sizes, ymodem-send.exe's start-up, a 32767-byte image paced at 115200 baud through wine
against Linux as a ratio, and the turnaround under wine. The device is the Linux virtual
device; under wine its pseudo-terminal is mapped as a COM port. Writes its rows into the
"Windows programs under wine" section of RESULTS.md. Runs in the wine environment of the
Windows checks (scripts/wine-env.sh), its prefix in the Windows build.

    wine_bench.py --build build --build-win build-win --results bench/RESULTS.md
"""
import argparse
import os
import statistics
import subprocess
import tempfile
import time
import types

from figures import BenchError, ms, percentile, s
from processes import IMAGE_SIZE, Device, make_image
from report import machine, write_section
from timing_log import line_figures, protocol_floor_ns, read_log, transfers, turnarounds
import wine_env  # noqa: E402 (on the path through processes)

COM = "COM9"
HEADING = "## Windows programs under wine"


def map_port(device):
    wine_env.map_com(COM, device.port)


def sender_command(tools, windows, image, count, timeout, baud=115200):
    common = ["--quiet", "--baud", str(baud), "--count", str(count), "--timeout", str(timeout)]
    if windows:
        return ["wine", tools.send_exe, *common, COM, wine_env.windows_path(image)]
    return [tools.send, *common, "%s", image]


def run(tools, folder, image, windows, count, device_options, timeout=60):
    log = os.path.join(folder, "line-%d.log" % time.monotonic_ns())
    device = Device(tools, folder, log, "--count", str(count), "--expect", image, "--timeout",
                    str(timeout), *device_options)
    command = sender_command(tools, windows, image, count, timeout)
    if windows:
        map_port(device)
    else:
        command = [device.port if word == "%s" else word for word in command]
    with tempfile.TemporaryFile("w+") as output:
        code = subprocess.call(command, stdout=output, stderr=output, timeout=timeout + 30)
        if code != 0:
            output.seek(0)
            raise BenchError("%s exited %d\n%s" % (command[0], code, output.read()))
    out = device.finish(timeout + 30)
    if out.count("verify: OK") != count:
        raise BenchError("the device verified %d of %d images\n%s" % (out.count("verify: OK"),
                                                                     count, out))
    return read_log(log)


def line_time(tools, folder, image, windows, repeats):
    times = []
    for _ in range(repeats):
        found = transfers(run(tools, folder, image, windows, 1, ["--line-rate", "115200"]))
        if len(found) != 1:
            raise BenchError("expected one transfer in the log")
        figures = line_figures(found[0], 115200)
        times.append((figures["measured_ns"], protocol_floor_ns(figures["frames"], 115200),
                      len(figures["turnarounds"])))
    return sorted(times)[len(times) // 2]


def start_up(tools, folder, image, repeats):
    """From the start of the process to the line that says the port is open."""
    samples = []
    for _ in range(repeats):
        device = Device(tools, folder, os.path.join(folder, "start.log"), "--count", "1",
                        "--timeout", "30")
        map_port(device)
        started = time.monotonic_ns()
        sender = subprocess.Popen(sender_command(tools, True, image, 1, 30), stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, text=True, encoding="utf-8")
        for line in sender.stdout:
            if "已打开" in line:
                samples.append(time.monotonic_ns() - started)
                break
        sender.kill()
        sender.communicate()
        device.process.kill()
        device.process.wait()
    return statistics.median(samples)


def yes(met):
    return "yes" if met else "no"


def rows_of(tools, folder, config):
    image = make_image(folder, IMAGE_SIZE)
    rows = []
    for name, path in (("ymodem-burner.exe", tools.burner_exe), ("ymodem-send.exe", tools.send_exe)):
        if os.path.exists(path):
            rows.append(("Size of %s (static, stripped)" % name,
                         "%.2f MiB" % (os.path.getsize(path) / 2**20), "imports system DLLs only",
                         "—", "—"))
    rows.append(("ymodem-send.exe under wine: process start to port open",
                 ms(start_up(tools, folder, image, config.repeats)), "median of %d" % config.repeats,
                 "no target", "—"))
    linux, floor, replies = line_time(tools, folder, image, False, config.repeats)
    wine, _, _ = line_time(tools, folder, image, True, config.repeats)
    over = (wine - floor) / replies
    rows.append(("Line 115200 baud, 32767-byte image, ymodem-send.exe under wine: time", s(wine),
                 "Linux ymodem-send, same run: %s (%s over the floor a reply); protocol floor %s"
                 % (s(linux), ms((linux - floor) / replies), s(floor)),
                 "%.3f× the Linux time; %s over the floor a reply (%d replies); target within "
                 "1 ms a reply" % (wine / linux, ms(over), replies), yes(over <= 1e6)))
    samples, linux_samples = (turnarounds(run(tools, folder, image, windows, config.transfers,
                                              ["--gap", "600"], timeout=30 + 3 * config.transfers))
                              for windows in (True, False))
    median, linux_median = statistics.median(samples), statistics.median(linux_samples)
    rows.append(("Turnaround under wine, median (%d transfers, %d replies)"
                 % (config.transfers, len(samples)), ms(median),
                 "Linux ymodem-send, same run: %s" % ms(linux_median),
                 "target within 1 ms of Linux", yes(median - linux_median <= 1e6)))
    rows.append(("Turnaround under wine, 99th percentile", ms(percentile(samples, 99)),
                 "max %s" % ms(max(samples)), "no target", "—"))
    return rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--build-win", required=True)
    parser.add_argument("--results", required=True)
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--note", action="append", default=[],
                        help="a line for the section, e.g. a figure taken elsewhere")
    args = parser.parse_args()
    args.build, args.build_win = os.path.abspath(args.build), os.path.abspath(args.build_win)
    wine_env.use(args.build_win)
    tools = types.SimpleNamespace(
        devsim=os.path.join(args.build, "apps", "ymodem-devsim", "ymodem-devsim"),
        send=os.path.join(args.build, "apps", "ymodem-send", "ymodem-send"),
        send_exe=os.path.join(args.build_win, "apps", "ymodem-send", "ymodem-send.exe"),
        burner_exe=os.path.join(args.build_win, "apps", "ymodem-burner", "ymodem-burner.exe"))
    config = types.SimpleNamespace(repeats=1 if args.quick else 3,
                                   transfers=2 if args.quick else 10)
    started = time.strftime("%Y-%m-%d %H:%M:%S")
    with tempfile.TemporaryDirectory() as folder:
        rows = rows_of(tools, folder, config)
    version = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    notes = ["Machine: %s. Run %s, %s, code page 936; the programs as built in %s."
             % (machine(), started, version, os.path.basename(args.build_win))] + ["- " + n for n in args.note]
    write_section(args.results, HEADING, rows, notes)
    for row in rows:
        print(" | ".join(row))


if __name__ == "__main__":
    main()
