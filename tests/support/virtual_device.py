"""The one way the end-to-end checks, the wine checks and the benchmarks start the virtual
device (ymodem-devsim): on a fresh pseudo-terminal, its output into a file, so that a long
run never blocks on a full pipe and a script that is being timed is never woken by it."""
import os
import subprocess
import time


class DeviceError(Exception):
    pass


class VirtualDevice:
    """A running ymodem-devsim. name: the link it offers in the ports folder (else none);
    port: the pseudo-terminal it printed first."""

    def __init__(self, devsim, log, *options, name=None, env=None, cwd=None, start_timeout=10):
        self.log = log
        self._out = open(log, "w")
        link = ["--name", name] if name else ["--no-link"]
        self.process = subprocess.Popen([devsim, *link, *options], stdout=self._out,
                                        stderr=subprocess.STDOUT, env=env, cwd=cwd)
        self.port = self._wait_for_port(start_timeout)

    def _wait_for_port(self, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with open(self.log) as f:
                first = f.readline()
            if first.endswith("\n"):
                if first.startswith("port: "):
                    return first[len("port: "):].strip()
                break
            if self.process.poll() is not None:
                break
            time.sleep(0.01)
        self.process.kill()
        self.process.wait()
        self._out.close()
        raise DeviceError("ymodem-devsim did not start: %r" % self.output())

    def output(self):
        with open(self.log, errors="replace") as f:
            return f.read()

    def finish(self, timeout=60):
        """Waits for the device to end; gives its exit code and everything it printed."""
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise DeviceError("ymodem-devsim did not finish within %d s" % timeout)
        finally:
            self._out.close()
        return self.process.returncode, self.output()

    def kill(self):
        self.process.kill()
        self.process.wait()
