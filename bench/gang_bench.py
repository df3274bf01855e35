"""Gang flashing: paced virtual devices flashed by one ymodem-send with a port each, and
then as many flashed by one-port ymodem-send processes, in the same run. Each port is held
against its own protocol floor; CPU time is the senders' user and system time."""
import os
import subprocess
import tempfile
import time

from figures import BenchError, ms, yes
from processes import Device, make_image
from timing_log import line_figures, protocol_floor_ns, read_log, transfers

BAUD = 115200


def start_devices(tools, folder, image, count, tag):
    devices = []
    for n in range(count):
        log = os.path.join(folder, "gang-%s-%d-%d.log" % (tag, n, time.monotonic_ns()))
        devices.append(Device(tools, folder, log, "--count", "1", "--expect", image,
                              "--timeout", "120", "--line-rate", str(BAUD)))
    return devices


def wait_cpu_ns(process, timeout):
    """Waits for a sender; gives its user and system time."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        pid, status, usage = os.wait4(process.pid, os.WNOHANG)
        if pid:
            process.returncode = os.waitstatus_to_exitcode(status)
            if process.returncode != 0:
                raise BenchError("ymodem-send exited %d" % process.returncode)
            return int((usage.ru_utime + usage.ru_stime) * 1e9)
        time.sleep(0.01)
    process.kill()
    raise BenchError("ymodem-send did not finish")


def excess_per_reply(device):
    device.finish(60)
    runs = transfers(read_log(device.log))
    if len(runs) != 1:
        raise BenchError("expected one transfer on each gang port")
    figures = line_figures(runs[0], BAUD)
    floor = protocol_floor_ns(figures["frames"], BAUD)
    return (figures["measured_ns"] - floor) / max(1, len(figures["turnarounds"]))


def sender(tools, ports, image, output):
    return subprocess.Popen([tools.send, "--quiet", "--baud", str(BAUD), "--timeout", "120",
                             *ports, image], stdout=output, stderr=output)


def bench_gang(tools, folder, config, rows, notes):
    count, size = config.gang_ports, config.gang_image
    image = make_image(folder, size, "gang%d.bin" % size)
    # One after the other: on a machine of few cores, sixteen paced devices at once would
    # measure the machine rather than the senders.
    with tempfile.TemporaryFile("w+") as output:
        gang_devices = start_devices(tools, folder, image, count, "one")
        gang_cpu = wait_cpu_ns(sender(tools, [d.port for d in gang_devices], image, output), 120)
        gang_excess = [excess_per_reply(d) for d in gang_devices]
        solo_devices = start_devices(tools, folder, image, count, "each")
        solos = [sender(tools, [d.port], image, output) for d in solo_devices]
        solo_cpu = [wait_cpu_ns(p, 120) for p in solos]
        solo_excess = [excess_per_reply(d) for d in solo_devices]
    label = "Gang %d ports at %d baud, %d-byte image" % (count, BAUD, size)
    rows.append((label + ", one ymodem-send: worst port over the floor a reply",
                 ms(max(gang_excess)),
                 "%d one-port processes: worst %s" % (count, ms(max(solo_excess))),
                 "target ≤ 1 ms a reply over the protocol floor, every port", yes(max(gang_excess) <= 1e6)))
    rows.append((label + ", one ymodem-send: CPU time a port",
                 ms(gang_cpu / count),
                 "one-port processes: %s each" % ms(sum(solo_cpu) / count),
                 "%.2f× a port" % (gang_cpu / max(1, sum(solo_cpu))), "—"))
    notes.append("- %d paced devices flashed at once by the %d-port sender, then %d flashed "
                 "at once by as many one-port senders. Over the floor a reply, the %d-port "
                 "sender's ports: %s; the one-port processes: %s. CPU time (user + system): "
                 "%s for the %d-port sender, %s for the one-port processes."
                 % (count, count, count, count, ", ".join(ms(x) for x in gang_excess),
                    ", ".join(ms(x) for x in solo_excess), ms(gang_cpu), count,
                    ", ".join(ms(x) for x in solo_cpu)))
