#!/usr/bin/env python3
"""The least a sender can do with the same timing rules as ymodem-send, for a reference
turnaround: every frame is built before the transfer starts, a reply is judged once the
line has been quiet 2 ms (timed to the microsecond with select(), not to the millisecond
as Qt's event loop does), the EOT follows the last block after 20 ms, and after the final
ACK it ignores the line for 500 ms. Whatever turnaround it shows beyond 2 ms is the
machine's: waking up on a byte, waking up from a timer, and the pseudo-terminal.

    minimal_sender.py PORT FILE COUNT
"""
import os
import select
import sys
import time
import tty

SOH, STX, EOT, ACK, NAK, C = 0x01, 0x02, 0x04, 0x06, 0x15, 0x43
QUIET_GAP = 0.002
EOT_DELAY = 0.020
RESET_DELAY = 0.5


def crc16(data):
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) if crc & 0x8000 else crc << 1
            crc &= 0xFFFF
    return crc


def frame(number, payload):
    head = STX if len(payload) == 1024 else SOH
    crc = crc16(payload)
    return bytes([head, number & 0xFF, 0xFF - (number & 0xFF)]) + payload + bytes([crc >> 8, crc & 0xFF])


def frames_for(name, data):
    """Block 0, then whole 1024-byte blocks, then 128-byte blocks for the rest, as
    ymodem-send plans them."""
    header = name.encode() + b"\0" + str(len(data)).encode() + b"\0"
    blocks = [frame(0, header.ljust(128, b"\0"))]
    whole = len(data) // 1024 * 1024
    for offset in range(0, whole, 1024):
        blocks.append(frame(len(blocks), data[offset:offset + 1024]))
    for offset in range(whole, len(data), 128):
        blocks.append(frame(len(blocks), data[offset:offset + 128].ljust(128, b"\x1a")))
    return blocks


class Line:
    def __init__(self, path):
        self.fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.fd)

    def burst(self, until=None):
        """The bytes of one reply: read until the line has been quiet for the gap. None
        when `until` (a monotonic time) passes first with nothing read, or the device has
        gone."""
        data = b""
        while True:
            if data:
                wait = last + QUIET_GAP - time.monotonic()
                if wait <= 0:
                    return data
            else:
                wait = None if until is None else max(0.0, until - time.monotonic())
            ready, _, _ = select.select([self.fd], [], [], wait)
            if ready:
                try:
                    chunk = os.read(self.fd, 4096)
                except OSError:  # the device has closed its end: Linux says EIO
                    chunk = b""
                if not chunk:
                    return data or None
                data += chunk
                last = time.monotonic()
            elif not data:
                return None

    def write(self, data):
        os.write(self.fd, data)


def send(line, blocks):
    while True:
        reply = line.burst()
        if reply is None:
            raise SystemExit("minimal_sender: the device has gone")
        if reply[:1] == bytes([C]):
            break
    line.write(blocks[0])
    for block in blocks[1:]:
        reply = line.burst() or b""
        if ACK not in reply[:2] and C not in reply[:2]:
            raise SystemExit("minimal_sender: the device answered %r" % reply)
        line.write(block)
    sent = time.monotonic()
    while line.burst(until=sent + EOT_DELAY) is not None:
        pass  # the ACK of the last block
    line.write(bytes([EOT]))
    reply = line.burst() or b""
    if reply[:1] != bytes([ACK]):
        raise SystemExit("minimal_sender: the EOT was answered %r" % reply)
    quiet_until = time.monotonic() + RESET_DELAY
    while line.burst(until=quiet_until) is not None:
        pass


def main():
    port, path, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    with open(path, "rb") as f:
        blocks = frames_for(os.path.basename(path), f.read())
    line = Line(port)
    for _ in range(count):
        send(line, blocks)


if __name__ == "__main__":
    main()
