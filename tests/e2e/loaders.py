#!/usr/bin/env python3
"""End-to-end cases against boot loaders that run YMODEM as a batch: the virtual device as
a vendor IAP loader, lrzsz's rb, and U-Boot's loady in QEMU. Run one case: loaders.py
BIN_DIR CASE. A tool that is missing fails the case: none is skipped."""
import os
import pty
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import tty
import zlib

from e2e import Device, expect_transfers, fail, image, send, start_send, wait_for_line

UBOOT = "/usr/lib/u-boot/qemu_arm/u-boot.bin"  # Debian's u-boot-qemu
LOAD_ADDRESS = 0x40200000                      # RAM of QEMU's virt machine, clear of U-Boot
SESSION_ENDED = "传输会话已结束!"              # the sender's line once the empty block 0 is ACKed


def need(program):
    if shutil.which(program) is None:
        fail("%s is not installed (scripts/ensure-deps.sh installs it)" % program)


def erases(device_out):
    found = re.findall(r"erases=(\d+)", device_out)
    if len(found) != 1:
        fail("no single session line from the device\n" + device_out)
    return int(found[0])


def case_iap_end_session():
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 5000)
        device = Device(folder, path, "--loader", "iap", "--timeout", "30")
        code, out, err = send(device.port, path, "--count", "1", "--end-session",
                              "--timeout", "30")
        dev_code, dev_out, _ = device.finish()
        if code != 0 or out.splitlines()[-1] != SESSION_ENDED:
            fail("ymodem-send exited %d\n%s\n%s" % (code, out, err))
        if (dev_code != 0 or dev_out.count("verify: OK") != 1
                or "session: ended by the sender (empty block 0), erases=1" not in dev_out):
            fail("device exited %d\n%s" % (dev_code, dev_out))
        print("IAP loader, --count 1 --end-session: one erase, session ended")


def case_iap_window_behaviour():
    """Without --count, every C starts a transfer: a loader that asks again after the EOT
    is flashed again until the sender goes away."""
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 1100)
        device = Device(folder, path, "--loader", "iap", "--timeout", "30")
        sender = start_send(device.port, path, "--count", "0")
        time.sleep(4)
        sender.kill()  # gone without a word: the loader's own timeout has to end it
        sender.communicate()
        dev_code, dev_out, _ = device.finish(timeout=15)
        count = erases(dev_out)
        if dev_code != 5 or "aborted: nothing from the sender for 5 s" not in dev_out:
            fail("device exited %d\n%s" % (dev_code, dev_out))
        if count < 2 or dev_out.count("verify: OK") < count - 1 or "MISMATCH" in dev_out:
            fail("%d erases in 4 s\n%s" % (count, dev_out))
        print("IAP loader, --count 0 for 4 s: flashed %d times, then aborted by its timeout"
              % count)


class PipedReceiver:
    """A receiver that talks through pipes, relayed to a pseudo-terminal the sender opens.
    Run on the pseudo-terminal itself, rb would flush the reply a real line would have
    carried away: it ends with tcflush(), which on a pseudo-terminal drops the ACK of the
    empty block 0 that the sender has not read yet."""

    def __init__(self, args, cwd):
        self.master, self.slave = pty.openpty()
        tty.setraw(self.master)
        tty.setraw(self.slave)
        self.port = os.ttyname(self.slave)
        self.process = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, cwd=cwd, bufsize=0)
        self.relay = threading.Thread(target=self._relay, daemon=True)
        self.relay.start()

    def _relay(self):
        out = self.process.stdout.fileno()
        while True:
            ready, _, _ = select.select([self.master, out], [], [], 0.5)
            if out in ready:
                data = os.read(out, 4096)
                if not data:
                    return
                os.write(self.master, data)
            if self.master in ready:
                data = os.read(self.master, 4096)
                try:
                    self.process.stdin.write(data)
                except BrokenPipeError:
                    pass

    def finish(self, timeout):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None
        finally:
            self.relay.join(timeout=5)
            os.close(self.master)
            os.close(self.slave)


def case_rb():
    need("rb")
    # Past 255 blocks the block numbers wrap: 1 MiB and 3 MiB cross that many times.
    for size in (5000, 32767, 1 << 20, 3 << 20):
        with tempfile.TemporaryDirectory() as folder:
            path = image(folder, size, name="fw.bin")
            received = os.path.join(folder, "rb")
            os.makedirs(received)
            rb = PipedReceiver(["rb", "--ymodem"], received)
            code, out, err = send(rb.port, path, "--count", "1", "--end-session",
                                  "--timeout", "60")
            rb_code = rb.finish(timeout=10)
            if rb_code is None:
                fail("rb did not end after --end-session (%d bytes)" % size)
            if code != 0 or rb_code != 0 or out.splitlines()[-1] != SESSION_ENDED:
                fail("%d bytes: ymodem-send exited %d, rb %d\n%s\n%s"
                     % (size, code, rb_code, out, err))
            with open(os.path.join(received, "fw.bin"), "rb") as got, open(path, "rb") as sent:
                if got.read() != sent.read():
                    fail("rb received a different image of %d bytes" % size)
            print("lrzsz rb, %d bytes: identical, rb exited %d" % (size, rb_code))


class UBoot:
    """U-Boot in QEMU's virt machine, its console on a pseudo-terminal. The console is
    held open for the whole run, so that QEMU never drops what U-Boot prints while the
    sender has closed the line; it is only read while the sender is not running."""

    def __init__(self):
        need("qemu-system-arm")
        if not os.path.exists(UBOOT):
            fail("%s is missing: install u-boot-qemu" % UBOOT)
        self.process = subprocess.Popen(
            ["qemu-system-arm", "-M", "virt", "-m", "128", "-bios", UBOOT, "-nic", "none",
             "-display", "none", "-monitor", "none", "-serial", "pty"],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        line = self.process.stdout.readline()
        found = re.search(r"char device redirected to (/dev/pts/\d+)", line)
        if not found:
            self.close()
            fail("QEMU gave no console: %r" % line)
        self.port = found.group(1)
        self.console = os.open(self.port, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.console)
        self.read_until(rb"Hit any key to stop autoboot", 60)
        self.command("")

    def read_until(self, pattern, timeout):
        text = b""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.console], [], [], 0.1)
            if ready:
                text += os.read(self.console, 4096)
                if re.search(pattern, text):
                    return text.decode(errors="replace")
        fail("U-Boot printed no %r in %d s: %r" % (pattern, timeout, text[-400:]))

    def command(self, line, until=rb"\n=> $", timeout=10):
        os.write(self.console, line.encode() + b"\r")
        return self.read_until(until, timeout)

    def close(self):
        if getattr(self, "console", None) is not None:
            os.close(self.console)
        self.process.kill()
        self.process.wait()


def case_uboot():
    for size in (32767, 1 << 20):
        uboot_loads(size)


def uboot_loads(size):
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, size)
        with open(path, "rb") as f:
            data = f.read()
        uboot = UBoot()
        try:
            uboot.command("loady 0x%x" % LOAD_ADDRESS, until=rb"Ready for binary \(ymodem\).*\n")
            code, out, err = send(uboot.port, path, "--count", "1", "--end-session",
                                  "--timeout", "300", timeout=310)
            if code != 0 or out.splitlines()[-1] != SESSION_ENDED:
                fail("ymodem-send exited %d\n%s\n%s" % (code, out, err))
            last_words = uboot.read_until(rb"\n=> $", 15)
            print("U-Boot's last words: %r" % last_words)
            if "## Total Size" not in last_words or "aborted" in last_words:
                fail("loady did not end cleanly: %r" % last_words)
            if not re.search(r"Total Size += 0x%08x = %d Bytes" % (len(data), len(data)),
                             last_words):
                fail("loady counted another size: %r" % last_words)
            answer = uboot.command("crc32 0x%x 0x%x" % (LOAD_ADDRESS, len(data)))
        finally:
            uboot.close()
        if "==> %08x" % zlib.crc32(data) not in answer:
            fail("crc32 of the loaded bytes: %r, the file's: %08x" % (answer, zlib.crc32(data)))
        print("U-Boot loady, %d bytes: clean end, crc32 %08x matches the file"
              % (size, zlib.crc32(data)))


def case_interrupt():
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 5000)
        device = Device(folder, None, "--line-rate", "9600", "--timeout", "60")
        sender = start_send(device.port, path, "--timeout", "60")
        wait_for_line(sender, "发送第2包")
        sender.send_signal(signal.SIGINT)
        try:
            sender.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            sender.kill()
            fail("the sender did not end on SIGINT")
        dev_code, dev_out, _ = device.finish(timeout=10)
        if sender.returncode != 130:
            fail("the sender exited %d on SIGINT" % sender.returncode)
        if dev_code != 5 or "aborted: by the sender (CAN CAN)" not in dev_out:
            fail("device exited %d\n%s" % (dev_code, dev_out))
        print("SIGINT mid-transfer: the device reported %r"
              % next(line for line in dev_out.splitlines() if line.startswith("aborted")))


def case_rate921600():
    expect_transfers(32767, device_options=("--line-rate", "921600"),
                     send_options=("--baud", "921600"))
    print("32767 bytes paced at 921600 baud: verified")


CASES = {name[len("case_"):]: fn for name, fn in globals().items() if name.startswith("case_")}

if __name__ == "__main__":
    CASES[sys.argv[2]]()
