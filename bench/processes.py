"""The programs a benchmark runs: the virtual device and the senders against it."""
import os
import random
import subprocess
import sys
import tempfile
import time

from figures import BenchError
from timing_log import read_log

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "support"))
from virtual_device import DeviceError, VirtualDevice  # noqa: E402

IMAGE_SIZE = 32767            # the largest burn file


class Device:
    """ymodem-devsim on a new pseudo-terminal, logging its line."""

    def __init__(self, tools, folder, log, *options):
        self.log = log
        try:
            self.device = VirtualDevice(tools.devsim, log + ".out", "--timing", log, *options,
                                        cwd=folder)
        except DeviceError as error:
            raise BenchError(str(error))
        self.process, self.port = self.device.process, self.device.port

    def finish(self, timeout):
        try:
            code, out = self.device.finish(timeout)
        except DeviceError as error:
            raise BenchError(str(error))
        if code != 0 or "MISMATCH" in out:
            raise BenchError("ymodem-devsim exited %d\n%s" % (code, out))
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
