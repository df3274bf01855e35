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
    while True:
        if os.path.exists(hangup):
            for master, slave in pairs:
                os.close(master)
                os.close(slave)
            time.sleep(0.2)  # long enough for the other side to see the hang-up
            pairs = offer((port_a, port_b))
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
