#!/usr/bin/env python3
"""End-to-end cases: ymodem-send against ymodem-devsim, and against lrzsz's rb, over
pseudo-terminals. Run one case: e2e.py BIN_DIR CASE. Each case prints what it checked and
exits non-zero on the first fault."""
import os
import pty
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
import tty

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from virtual_device import DeviceError, VirtualDevice  # noqa: E402

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
    """ymodem-devsim on a fresh pseudo-terminal, saving what it receives in folder/received."""

    def __init__(self, folder, expect, *options, name=None, env=None):
        self.out_dir = os.path.join(folder, "received")
        os.makedirs(self.out_dir, exist_ok=True)
        args = ["--output", self.out_dir, *options] + (["--expect", expect] if expect else [])
        try:
            self.device = VirtualDevice(DEVSIM, os.path.join(folder, "device.log"), *args,
                                        name=name, env=env)
        except DeviceError as error:
            fail(str(error))
        self.process, self.port = self.device.process, self.device.port

    def finish(self, timeout=60):
        try:
            code, out = self.device.finish(timeout)
        except DeviceError as error:
            fail(str(error))
        return code, out, out


def send(port, path, *options, timeout=60, env=None):
    ports = port if isinstance(port, list) else [port]
    result = subprocess.run([SEND, "--quiet", *options, *ports, path], capture_output=True,
                            text=True, timeout=timeout, env=env)
    return result.returncode, result.stdout, result.stderr


def expect_verified(device, count=1):
    dev_code, dev_out, _ = device.finish()
    if dev_code != 0 or dev_out.count("verify: OK") != count:
        fail("device %d, %d of %d verified\n%s" % (dev_code, dev_out.count("verify: OK"), count, dev_out))


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
        if code != 2 or not err.startswith("请选择一个烧写文件\nymodem-send: cannot send"):
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


def case_two_ports():
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 5000)
        devices = [Device(os.path.join(folder, n), path, "--line-rate", "115200", "--timeout", "60")
                   for n in ("a", "b")]
        ports = [d.port for d in devices]
        code, out, err = send(ports, path, "--timeout", "60")
        for device in devices:
            expect_verified(device)
        lines = out.splitlines()
        if code != 0 or not lines[0].startswith("文件大小: 5000"):
            fail("exit %d\n%s%s" % (code, out, err))
        for port in ports:
            if not any(line == port + ": 文件发送完毕!" for line in lines):
                fail("no finish line for %s\n%s" % (port, out))
        if any(not line.startswith(tuple(p + ": " for p in ports)) for line in lines[1:]):
            fail("a line without its port\n" + out)
        print("two ports in one run: both verified, every line led by its port")


def case_many_ports():
    """As many ports as a tray on stacked hubs: 64 devices flashed in one run."""
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 1100)
        devices = [Device(os.path.join(folder, str(n)), path, "--timeout", "120")
                   for n in range(64)]
        code, out, err = send([d.port for d in devices], path, "--timeout", "120", timeout=180)
        for device in devices:
            expect_verified(device)
        if code != 0 or out.count("文件发送完毕!") != 64:
            fail("exit %d, %d finished\n%s" % (code, out.count("文件发送完毕!"), err))
        print("64 ports in one run: every device verified")


def case_log():
    import csv
    import hashlib
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 5000)
        log = os.path.join(folder, "flash.CSV")
        for run in range(2):
            device = Device(folder, path, "--count", "2", "--timeout", "60")
            code, out, err = send(device.port, path, "--count", "2", "--log", log)
            expect_verified(device, 2)
            if code != 0:
                fail("exit %d %s" % (code, err))
        with open(log, newline="", encoding="utf-8") as f:
            raw = f.read()
        rows = list(csv.DictReader(raw.splitlines()))
        if raw.count("\r\n") != 5 or raw.count("time,seq,") != 1 or len(rows) != 4:
            fail("log: %r" % raw)
        sha = hashlib.sha256(open(path, "rb").read()).hexdigest()
        for row, seq in zip(rows, ("1", "2", "1", "2")):
            if (row["seq"], row["result"], row["sha256"], row["size"], row["blocks"],
                    row["status"]) != (seq, "ok", sha, "5000", "12", "文件发送完毕!"):
                fail("record %r" % row)
        print("CSV log over two runs: one header, four records, SHA-256 as hashlib's")


def case_replug():
    with tempfile.TemporaryDirectory() as folder:
        env = dict(os.environ, XDG_CONFIG_HOME=folder)
        path = image(folder, 5000)
        sender = subprocess.Popen([SEND, "--quiet", "--wait-port", "--count", "2", "--timeout",
                                   "60", "board0", path], stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, text=True, env=env)
        time.sleep(0.5)  # the sender waits for a board not yet plugged in
        device = Device(folder, path, "--count", "2", "--replug", "--timeout", "60",
                        name="board0", env=env)
        out, err = sender.communicate(timeout=60)
        expect_verified(device, 2)
        expected = ["等待board0接入...", "board0已打开115200,N,8,1", "board0设备无效",
                    "等待board0接入...", "board0已打开115200,N,8,1"]
        opened = [line for line in out.splitlines() if "board0" in line]
        if sender.returncode != 0 or opened != expected or out.count("文件发送完毕!") != 2:
            fail("exit %d\n%s%s" % (sender.returncode, out, err))
        print("board re-enumerating after its transfer: waited for, reopened, flashed twice")


def case_erase():
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 5000)
        device = Device(folder, path, "--erase-ms", "3000", "--timeout", "60")
        code, out, _ = send(device.port, path, "--timeout", "5")
        if code != 4 or "传输超时,请断电后再次尝试!" not in out:
            fail("without --erase-timeout: exit %d\n%s" % (code, out))
        device.finish()  # --timeout cancelled the transfer under way: the device has ended
        device = Device(folder, path, "--erase-ms", "3000", "--timeout", "60")
        code, out, err = send(device.port, path, "--erase-timeout", "5000", "--timeout", "30")
        expect_verified(device)
        if code != 0:
            fail("with --erase-timeout: exit %d\n%s%s" % (code, out, err))
        print("a 3 s erase: the watchdog's 2 s give up, --erase-timeout 5000 waits for it")


def send_on_terminal(*arguments):
    """ymodem-send with a terminal as stderr, as a user starts it: its exit code, its
    output and what the terminal received."""
    master, slave = pty.openpty()
    sender = subprocess.Popen([SEND, *arguments], stdout=subprocess.PIPE, stderr=slave)
    os.close(slave)
    shown = b""
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:  # the sender has closed its end
            break
        if not chunk:
            break
        shown += chunk
    os.close(master)
    out = sender.stdout.read().decode()
    return sender.wait(timeout=60), out, shown.decode()


def case_progress():
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 5000)
        code, _, shown = send_on_terminal("/dev/nonexistent-port", path)
        if code != 3 or shown != "/dev/nonexistent-port设备无效\r\n":
            fail("missing port: %d %r" % (code, shown))
        device = Device(folder, path, "--line-rate", "9600", "--timeout", "60")
        code, out, shown = send_on_terminal("--baud", "9600", device.port, path)
        expect_verified(device)
        rates = [float(n) * (1024 if unit == "KiB" else 1)
                 for n, unit in re.findall(r"([0-9.]+) (B|KiB)/s", shown)]
        # 8N1 carries 960 bytes a second, of which the block's 5 framing bytes are no data.
        if code != 0 or not rates or max(rates) > 960 or "100% [" not in shown:
            fail("exit %d, rates %r\n%r" % (code, rates, shown))
        print("missing port: its message alone; 9600 baud: rates up to %.0f B/s" % max(rates))



def records(log):
    with open(log, encoding="utf-8") as f:
        return [__import__("json").loads(line) for line in f]


def case_expect():
    """The board's own word after each transfer: its banner later or with the ACK confirms;
    a board that prints nothing, or a boot loader that asks with C again, does not."""
    banner = ["--banner", "MyApp 2.1 ready"]
    rows = (("banner 300 ms after the ACK", banner + ["--banner-delay", "300"], 0, "MyApp 2.1 ready"),
            ("banner in the ACK's write", banner, 0, "MyApp 2.1 ready"),
            ("no banner", ["--banner", ""], 7, ""),
            ("a C instead", [], 7, ""))
    for name, device_options, exit_code, said in rows:
        with tempfile.TemporaryDirectory() as folder:
            path, log = image(folder, 5000), os.path.join(folder, "flash.jsonl")
            device = Device(folder, path, "--timeout", "60", *device_options)
            started = time.monotonic()
            code, out, err = send(device.port, path, "--expect", r"ready$", "--expect-timeout",
                                  "2", "--log", log, "--timeout", "60")
            took = time.monotonic() - started
            expect_verified(device)
            got = [(r["result"], r["device_text"]) for r in records(log)]
            result, line = ("ok", "设备回应: " + said) if said else ("unverified", "设备未确认新程序")
            if (code, got) != (exit_code, [(result, said)]) or took > 6 \
                    or not out.endswith("文件发送完毕!\n%s\n" % line):
                fail("%s: exit %d in %.1f s, %r\n%s%s" % (name, code, took, got, out, err))
            print("%s: exit %d, %s %r" % (name, code, result, said))


def case_old_csv():
    """A sheet started by version 1.1 keeps its 11 columns; a column no record has stops the
    run before anything is flashed or written."""
    import csv
    header = "time,seq,port,file,size,crc16,sha256,result,blocks,duration_ms,status\r\n"
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 5000)
        log = os.path.join(folder, "flash.csv")
        with open(log, "w", newline="") as f:
            f.write(header)
        device = Device(folder, path, "--timeout", "60")
        code, out, err = send(device.port, path, "--log", log)
        expect_verified(device)
        with open(log, newline="", encoding="utf-8") as f:
            raw = f.read()
        rows = list(csv.reader(raw.splitlines()))
        if code != 0 or not raw.startswith(header) or len(rows) != 2 or len(rows[1]) != 11 \
                or rows[1][7] != "ok":
            fail("1.1 header: exit %d %r\n%s" % (code, raw, err))
        with open(log, "w", newline="") as f:
            f.write("time,result,operator\r\n")
        code, _, err = send("/dev/nonexistent-port", path, "--log", log)
        if code != 1 or "'operator'" not in err or open(log, newline="").read() != "time,result,operator\r\n":
            fail("unknown column: exit %d %r" % (code, err))
    print("1.1's CSV: 11 columns kept; an unknown column: exit 1, file untouched")


def case_timeout_mid_transfer():
    """--timeout while two slow transfers run: both devices get CAN CAN at once, the log
    records both as aborted, and the run ends 4 without waiting for either."""
    with tempfile.TemporaryDirectory() as folder:
        path = image(folder, 30000)
        devices = [Device(os.path.join(folder, n), None, "--line-rate", "9600", "--timeout", "60")
                   for n in ("a", "b")]
        log = os.path.join(folder, "flash.jsonl")
        started = time.monotonic()
        code, out, err = send([d.port for d in devices], path, "--timeout", "2", "--log", log)
        took = time.monotonic() - started
        ends = [d.finish() for d in devices]
        results = sorted(r["result"] for r in records(log))
        if code != 4 or took > 5 or results != ["aborted", "aborted"] or \
                any(c != 5 or "aborted: by the sender (CAN CAN)" not in o for c, o, _ in ends):
            fail("exit %d in %.1f s, %r, devices %r\n%s" % (code, took, results, ends, err))
        print("--timeout mid-transfer: exit 4 in %.1f s, both devices cancelled, both recorded aborted" % took)

CASES = {name[len("case_"):]: fn for name, fn in globals().items() if name.startswith("case_")}

if __name__ == "__main__":
    CASES[sys.argv[2]]()
