#!/usr/bin/env python3
"""Two linked pseudo-terminals mapped as wine COM ports, a null-modem cable in software:
what one side writes, the other reads. Creating the file HANGUP hangs both up, as a device
pulled out would; the relay then offers a new pair under the same names and removes the
file.

    com_relay.py DOSDEVICES PORT_A PORT_B HANGUP
"""
import os
import pty
import select
import sys
import time
import tty


def offer(dosdevices, names):
    pairs = []
    for name in names:
        master, slave = pty.openpty()
        tty.setraw(master)
        tty.setraw(slave)
        link = os.path.join(dosdevices, name.lower())
        fresh = link + ".new"
        if os.path.lexists(fresh):
            os.remove(fresh)
        os.symlink(os.ttyname(slave), fresh)
        os.replace(fresh, link)
        pairs.append((master, slave))
    return pairs


def main():
    dosdevices, port_a, port_b, hangup = sys.argv[1:5]
    pairs = offer(dosdevices, (port_a, port_b))
    print("ready", flush=True)
    while True:
        if os.path.exists(hangup):
            for master, slave in pairs:
                os.close(master)
                os.close(slave)
            time.sleep(0.2)  # long enough for the other side to see the hang-up
            pairs = offer(dosdevices, (port_a, port_b))
            os.remove(hangup)
        masters = [master for master, _ in pairs]
        ready, _, _ = select.select(masters, [], [], 0.01)
        for source in ready:
            try:
                data = os.read(source, 65536)
            except OSError:
                continue
            target = masters[1] if source == masters[0] else masters[0]
            while data:
                data = data[os.write(target, data):]


if __name__ == "__main__":
    main()
