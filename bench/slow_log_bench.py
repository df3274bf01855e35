#!/usr/bin/env python3
"""A slow log disk beside a busy port: two ports in one ymodem-send run, the first flashing
small images quickly (a record each), the second a larger one on a paced line, with every
sync of the flash log made 3 s longer (YMODEM_SEND_TEST_SYNC_DELAY_MS, a hook for this
benchmark only). Reports the second port's turnarounds, from its device's --timing log, with
and without the delay. Usage: slow_log_bench.py BUILD_DIR [DELAY_MS]"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tests", "support"))
from timing_log import read_log, turnarounds  # noqa: E402
from virtual_device import VirtualDevice  # noqa: E402

TRANSFERS = 3


def run(build, folder, delay_ms):
    send = os.path.join(build, "apps", "ymodem-send", "ymodem-send")
    devsim = os.path.join(build, "apps", "ymodem-devsim", "ymodem-devsim")
    image = os.path.join(folder, "app.bin")
    with open(image, "wb") as f:
        f.write(os.urandom(48 * 1024))
    timing = os.path.join(folder, "busy-%d.timing" % delay_ms)
    quick = VirtualDevice(devsim, os.path.join(folder, "quick.log"), "--count", str(TRANSFERS),
                          "--gap", "300", "--timeout", "120")
    busy = VirtualDevice(devsim, os.path.join(folder, "busy.log"), "--count", str(TRANSFERS),
                         "--line-rate", "230400", "--timing", timing, "--timeout", "120")
    log = os.path.join(folder, "flash-%d.jsonl" % delay_ms)
    env = dict(os.environ, YMODEM_SEND_TEST_SYNC_DELAY_MS=str(delay_ms))
    started = time.monotonic()
    result = subprocess.run([send, "--quiet", "--baud", "230400", "--count", str(TRANSFERS),
                             "--log", log, quick.port, busy.port, image],
                            capture_output=True, text=True, env=env, timeout=300)
    took = time.monotonic() - started
    for device in (quick, busy):
        device.finish(60)
    if result.returncode != 0:
        sys.exit("ymodem-send exited %d: %s" % (result.returncode, result.stderr))
    with open(log) as f:
        records = sum(1 for _ in f)
    samples = turnarounds(read_log(timing))
    return samples, took, records


def main():
    build = sys.argv[1]
    delay = int(sys.argv[2]) if len(sys.argv) > 2 else 3000
    print("| Sync delay | Busy port's turnarounds | Median | Max | Run (records on disk) |")
    print("|---|---|---|---|---|")
    for delay_ms in (0, delay):
        with tempfile.TemporaryDirectory() as folder:
            samples, took, records = run(build, folder, delay_ms)
        print("| %d ms | %d | %.3f ms | %.3f ms | %.1f s (%d) |"
              % (delay_ms, len(samples), statistics.median(samples) / 1e6, max(samples) / 1e6,
                 took, records))


if __name__ == "__main__":
    main()
