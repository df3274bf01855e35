#!/usr/bin/env python3
"""End-to-end cases: ymodem-send against ymodem-devsim, and against lrzsz's rb, over
pseudo-terminals. Run one case: e2e.py BIN_DIR CASE. Each case prints what it checked and
exits non-zero on the first fault."""
import os
import pty
import random
import shutil
import subprocess
import sys
import tempfile
import time
import tty

BIN = sys.argv[1]
SEND = os.path.join(BIN, "apps", "ymodem-send", "ymodem-send")
DEVSIM = os.path.join(BIN, "apps", "ymodem-devsim", "ymodem-devsim")


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def image(folder, size, name="app.bin", seed=1):
    rng = random.Random(seed + size)
    path = os.path.join(folder, name)
    with open(path, "wb") as f:
        f.write(bytes(rng.randrange(256) for _ in range(size)))
    return path


class Device:
    """A running ymodem-devsim on a fresh pseudo-terminal. Its output goes to a file, so
    that a long run never blocks on a full pipe."""

    def __init__(self, folder, expect, *options):
        self.out_dir = os.path.join(folder, "received")
        os.makedirs(self.out_dir, exist_ok=True)
        args = [DEVSIM, "--no-link", "--output", self.out_dir, *options]
        if expect:
            args += ["--expect", expect]
        self.log = os.path.join(folder, "device.log")
        self.log_file = open(self.log, "w")
        self.process = subprocess.Popen(args, stdout=self.log_file, stderr=subprocess.STDOUT,
                                        text=True)
        self.port = None
        deadline = time.monotonic() + 10
        while self.port is None and time.monotonic() < deadline:
            with open(self.log) as f:
                first = f.readline()
            if first.endswith("\n"):
                if not first.startswith("port: "):
                    fail("devsim did not print its port: %r" % first)
                self.port = first[len("port: "):].strip()
            else:
                time.sleep(0.01)
        if self.port is None:
            fail("devsim did not start")

    def finish(self, timeout=60):
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            fail("devsim did not finish")
        self.log_file.close()
        with open(self.log) as f:
            out = f.read()
        return self.process.returncode, out, out


def send(port, path, *options, timeout=60):
    result = subprocess.run([SEND, "--quiet", *options, port, path], capture_output=True,
                            text=True, timeout=timeout)
    return result.returncode, result.stdout, result.stderr


def expect_transfers(size, count=1, device_options=(), send_options=(), finished=None):
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, size)
        device = Device(folder, path, "--count", str(count), "--timeout", "60", *device_options)
        code, out, err = send(device.port, path, "--count", str(count), "--timeout", "60",
                              *send_options)
        dev_code, dev_out, dev_err = device.finish()
        if code != 0:
            fail("ymodem-send exited %d\n%s\n%s" % (code, out, err))
        if dev_code != 0:
            fail("devsim exited %d\n%s\n%s" % (dev_code, dev_out, dev_err))
        if dev_out.count("verify: OK") != count:
            fail("devsim verified %d of %d images\n%s" % (dev_out.count("verify: OK"), count, dev_out))
        with open(os.path.join(device.out_dir, "app.bin"), "rb") as received, open(path, "rb") as sent:
            if received.read() != sent.read():
                fail("the received image differs")
        done = out.count("文件发送完毕!")
        if done != (finished or count):
            fail("%d finished transfers reported, expected %d\n%s" % (done, finished or count, out))
        print(out.splitlines()[0])
        return out


def case_sizes():
    for size in (0, 1100, 32767):
        out = expect_transfers(size)
        lines = out.splitlines()
        if not lines[0].startswith("文件大小: %d  包数: " % size):
            fail("file line: %r" % lines[0])
        print("size %d: verified" % size)


def case_count3():
    expect_transfers(1100, count=3)
    print("three devices in a row: verified")


def case_nak():
    out = expect_transfers(5000, device_options=("--nak-at", "2"))
    if "发生错误!!!" not in out:
        fail("no error text after the NAK\n" + out)
    print("NAK then a good transfer: verified")


def case_silent():
    out = expect_transfers(5000, device_options=("--silent-after", "2"))
    if "传输超时,请断电后再次尝试!" not in out:
        fail("no timeout text after the silence\n" + out)
    print("silent device then a good transfer: verified")


def case_split():
    expect_transfers(5000, device_options=("--split-reply", "10"))
    print("split reply: verified")


def case_exit_codes():
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 100)
        code, _, err = send("/dev/nonexistent-port", os.path.join(folder, "missing.bin"))
        if code != 2 or err.strip() != "请选择一个烧写文件":
            fail("missing file: %d %r" % (code, err))
        code, _, err = send("/dev/nonexistent-port", path)
        if code != 3 or not err.strip().endswith("设备无效"):
            fail("missing port: %d %r" % (code, err))
        master, slave = pty.openpty()  # a line where nobody answers
        tty.setraw(master)
        started = time.monotonic()
        code, out, err = send(os.ttyname(slave), path, "--timeout", "1")
        if code != 4 or time.monotonic() - started > 5:
            fail("timeout: %d %r %r" % (code, out, err))
        code, _, err = send(os.ttyname(slave), path, "--baud", "fast")
        if code != 1 or "fast" not in err:
            fail("bad baud: %d %r" % (code, err))
        os.close(master)
        os.close(slave)
    print("exit codes 1, 2, 3 and 4: as documented")


def case_lrzsz():
    if shutil.which("rb") is None:
        fail("lrzsz rb is not installed (scripts/ensure-deps.sh installs it)")
    for size in (5000, 32767):
        with tempfile.TemporaryDirectory() as folder:
            path = image(folder, size, name="fw.bin")
            received = os.path.join(folder, "rb")
            os.makedirs(received)
            master, slave = pty.openpty()
            tty.setraw(master)
            tty.setraw(slave)
            rb = subprocess.Popen(["rb", "--ymodem"], stdin=master, stdout=master,
                                  stderr=subprocess.DEVNULL, cwd=received)
            code, out, err = send(os.ttyname(slave), path, "--timeout", "60")
            rb.kill()
            rb.wait()
            os.close(master)
            os.close(slave)
            if code != 0:
                fail("ymodem-send against rb exited %d\n%s\n%s" % (code, out, err))
            with open(os.path.join(received, "fw.bin"), "rb") as got, open(path, "rb") as sent:
                if got.read() != sent.read():
                    fail("rb received a different image of %d bytes" % size)
            print("lrzsz rb received %d bytes: identical" % size)


def start_send(port, path, *options):
    return subprocess.Popen([SEND, "--quiet", *options, port, path], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)


def wait_for_line(process, text, timeout=30):
    deadline = time.monotonic() + timeout
    lines = []
    while time.monotonic() < deadline:
        line = process.stdout.readline()
        if not line:
            break
        lines.append(line)
        if text in line:
            return lines
    fail("no %r from the sender: %r" % (text, lines))


def case_device_vanishes():
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 5000)
        device = Device(folder, None, "--line-rate", "9600", "--timeout", "60")
        sender = start_send(device.port, path, "--timeout", "60")
        wait_for_line(sender, "发送第1包")
        device.process.kill()
        device.process.wait()
        try:
            out, err = sender.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            sender.kill()
            fail("the sender hung after the device vanished")
        if sender.returncode != 5 or "设备无效" not in err:
            fail("exit %d, %r" % (sender.returncode, err))
        print("device vanished mid-transfer: sender exited 5 with %r" % err.strip())


def case_file_changes_during_transfer():
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 5000)
        loaded = os.path.join(folder, "loaded.bin")
        shutil.copy(path, loaded)
        device = Device(folder, loaded, "--line-rate", "38400", "--timeout", "60")
        sender = start_send(device.port, path, "--timeout", "60")
        wait_for_line(sender, "发送第1包")
        with open(path, "wb") as f:
            f.write(b"\xff" * 7000)  # rewritten, larger
        wait_for_line(sender, "发送第3包")
        os.remove(path)  # then gone
        out, err = sender.communicate(timeout=60)
        dev_code, dev_out, dev_err = device.finish()
        if sender.returncode != 0 or dev_code != 0 or "verify: OK" not in dev_out:
            fail("sender %d %r, device %d %r %r" % (sender.returncode, err, dev_code, dev_out, dev_err))
        print("burn file rewritten and deleted mid-transfer: the loaded image arrived unchanged")


def resources(pid):
    with open("/proc/%d/status" % pid) as f:
        rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
    return rss, len(os.listdir("/proc/%d/fd" % pid))


def soak(transfers):
    """Transfers in a row; the sender's memory and descriptors after the 10th and after the
    last but one (after the last, the sender closes the port and ends)."""
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 1100)
        device = Device(folder, path, "--count", str(transfers), "--gap", "520",
                        "--timeout", str(10 + transfers * 3))
        sender = start_send(device.port, path, "--count", str(transfers))
        done = 0
        at_ten = None
        for line in sender.stdout:
            if "文件发送完毕!" in line:
                done += 1
                if done == 10:
                    at_ten = resources(sender.pid)
                if done == transfers - 1:
                    at_end = resources(sender.pid)
        sender.wait(timeout=30)
        dev_code, dev_out, _ = device.finish()
        verified = dev_out.count("verify: OK")
        if sender.returncode != 0 or dev_code != 0 or verified != transfers:
            fail("sender %d, device %d, %d of %d verified" % (sender.returncode, dev_code, verified, transfers))
        print("%d transfers, all verified; sender at 10: %d KiB, %d fds; at %d: %d KiB, %d fds"
              % (transfers, at_ten[0], at_ten[1], transfers - 1, at_end[0], at_end[1]))
        if at_end[1] > at_ten[1]:
            fail("descriptors grew")
        # AddressSanitizer keeps freed memory in its quarantine: only a plain build can tell.
        if at_end[0] > at_ten[0] + 2048 and not os.environ.get("YMODEM_SANITIZED"):
            fail("resident memory grew by more than 2 MiB")


def case_soak():
    soak(int(os.environ.get("YMODEM_SOAK_TRANSFERS", "20")))


CASES = {name[len("case_"):]: fn for name, fn in globals().items() if name.startswith("case_")}

if __name__ == "__main__":
    CASES[sys.argv[2]]()
