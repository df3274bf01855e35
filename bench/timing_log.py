"""The virtual device's --timing log, and the line and protocol floors it is held against.
One line per read or write: "NS r|w COUNT HEX", NS the device's monotonic clock."""
from figures import NS_PER_S, BenchError

SOH, STX, EOT = 0x01, 0x02, 0x04
QUIET_GAP_NS = 2_000_000      # the sender judges a reply after the line was quiet this long
EOT_DELAY_NS = 20_000_000     # the sender's EOT follows its last block by this much
BITS_PER_BYTE = 10            # 8N1


class Event:
    __slots__ = ("t", "write", "count", "head")

    def __init__(self, line):
        t, direction, count, head = (line.split() + [""])[:4]
        self.t = int(t)
        self.write = direction == "w"
        self.count = int(count)
        self.head = bytes.fromhex(head)


def read_log(path):
    with open(path) as f:
        return [Event(line) for line in f if line.strip()]


def wire_ns(count, baud):
    return count * BITS_PER_BYTE * NS_PER_S // baud


def turnarounds(events):
    """Each device write answered by a block: from the write (the sender has the reply's
    last byte) to the read of the block's first byte. A write answered by nothing (a C the
    sender ignores, the ACK of the last block, which the EOT timer answers) gives none."""
    samples = []
    for write, read in zip(events, events[1:]):
        if write.write and not read.write and read.head[:1] in (bytes([SOH]), bytes([STX])):
            samples.append(read.t - write.t)
    return samples


def transfers(events):
    """Splits the log into transfers: from the read that starts a block 0 to the device's
    ACK C of the EOT. A block 0 with an empty name ends an lrzsz batch and starts none."""
    found = []
    start = None
    eot_seen = False
    for i, e in enumerate(events):
        # Inside a transfer, a block numbered 0 is block 256 of a large image.
        if (not e.write and len(e.head) >= 4 and e.head[:3] in (b"\x01\x00\xff", b"\x02\x00\xff")
                and e.head[3] != 0 and (start is None or eot_seen)):
            start, eot_seen = i, False
        elif start is not None and not e.write and e.head == bytes([EOT]):
            eot_seen = True
        elif start is not None and eot_seen and e.write and e.head[:2] == b"\x06C":
            found.append(events[start:i + 1])
            start = None
    return found


def frames_of(transfer, baud):
    """The sender's frames in a transfer and the device's replies, in order, as (size,
    time) pairs. A frame starts with the first read after a device write, or is the EOT,
    which our sender sends on a timer and so may come before the device's ACK of the last
    block. A frame's time is when its last byte has crossed the modelled line, as the
    device's LinePacer has it: a chunk starts when it was read or when the line is free; a
    reply's time is the device's write."""
    frames, replies = [], []
    previous_write = True
    line_free = 0
    for e in transfer:
        if e.write:
            replies.append((e.count, e.t))
        else:
            line_free = max(e.t, line_free) + wire_ns(e.count, baud)
            if previous_write or (e.count == 1 and e.head == bytes([EOT])):
                frames.append((e.count, line_free))
            else:
                frames[-1] = (frames[-1][0] + e.count, line_free)
        previous_write = e.write
    sizes = [size for size, _ in frames]
    if any(size not in (1, 133, 1029) for size in sizes) or sizes[-1] != 1 or len(
            replies) != len(frames):
        raise BenchError("frames not told apart in the log: %s, replies %s" % (sizes, replies))
    return frames, replies


def device_lateness_ns(frames, replies, baud):
    """How much later than its own line model the device wrote each reply: it answers a
    frame once its last byte has crossed the line and writes the answer when that has
    crossed too, but it can only wake up for that write so punctually. Every nanosecond of
    it delays the sender as well, so it is part of the measured time that is not the
    sender's."""
    late = []
    out_free = 0
    for (_, frame_end), (size, written) in zip(frames, replies):
        due = max(frame_end, out_free) + wire_ns(size, baud)
        out_free = due
        late.append(written - due)
    return late


def line_figures(transfer, baud):
    """The measured time: from the moment the first byte of block 0 starts to cross the
    line into the device (the device models the line as LinePacer does: a chunk starts when
    it is read or when the line is free) to the moment the device hands the sender its ACK
    of the EOT (written when its last bit has crossed the line)."""
    start = transfer[0].t
    end = transfer[-1].t
    frames, replies = frames_of(transfer, baud)
    sent = sum(size for size, _ in frames)
    replied = sum(size for size, _ in replies)
    return {
        "measured_ns": end - start,
        "wire_ns": wire_ns(sent + replied, baud),
        "frames": [size for size, _ in frames],
        "bytes_sent": sent,
        "bytes_replied": replied,
        "turnarounds": turnarounds(transfer),
        "device_late": device_lateness_ns(frames, replies, baud),
    }


def protocol_floor_ns(frames, baud):
    """The fastest our sender may be on a perfect line: every block starts 2 ms after the
    last byte of the reply it answers; the EOT starts 20 ms after the last block was handed
    over, or when that block has left the line if that is later; the device's ACK of the
    last block and the EOT cross at the same time, one in each direction."""
    t = 0
    in_free = out_free = 0
    last_write = 0
    for k, size in enumerate(frames[:-1]):
        last_write = t
        in_free = t + wire_ns(size, baud)
        out_free = in_free + wire_ns(2 if k == 0 else 1, baud)
        t = out_free + QUIET_GAP_NS
    eot_end = max(last_write + EOT_DELAY_NS, in_free) + wire_ns(frames[-1], baud)
    return max(eot_end, out_free) + wire_ns(2, baud)


def turnarounds_after_c(events):
    return [read.t - write.t for write, read in zip(events, events[1:])
            if write.write and write.head == b"C" and not read.write and read.head[:1] == bytes([SOH])]
