#!/usr/bin/env python3
"""Two linked pseudo-terminals mapped as wine COM ports, a null-modem cable in software:
what one side writes, the other reads. Creating the file HANGUP hangs both up, as a device
pulled out would; the relay then offers a new pair under the same names and removes the
file. The ports are mapped in the prefix WINEPREFIX names.

    com_relay.py PORT_A PORT_B HANGUP
"""
import os
import pty
import select
import sys
import time
import tty

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from wine_env import map_com  # noqa: E402


def offer(names):
    pairs = []
    for name in names:
        master, slave = pty.openpty()
        tty.setraw(master)
        tty.setraw(slave)
        map_com(name, os.ttyname(slave))
        pairs.append((master, slave))
    return pairs


def main():
    port_a, port_b, hangup = sys.argv[1:4]
    pairs = offer((port_a, port_b))
    print("ready", flush=True)
    # What waits for each side to take it: a side nobody reads must not stop the other
    # direction, nor the hang-ups.
    pending = {}
    while True:
        if os.path.exists(hangup):
            for master, slave in pairs:
                os.close(master)
                os.close(slave)
            time.sleep(0.2)  # long enough for the other side to see the hang-up
            pairs = offer((port_a, port_b))
            pending = {}
            os.remove(hangup)
        masters = [master for master, _ in pairs]
        for master in masters:
            os.set_blocking(master, False)
            pending.setdefault(master, bytearray())
        pending = {master: pending[master] for master in masters}
        waiting = [master for master in masters if pending[master]]
        readable, writable, _ = select.select(masters, waiting, [], 0.01)
        for source in readable:
            try:
                pending[masters[1] if source == masters[0] else masters[0]] += os.read(source, 65536)
            except OSError:
                continue
        for target in writable:
            try:
                del pending[target][:os.write(target, pending[target])]
            except OSError:
                continue


if __name__ == "__main__":
    main()
