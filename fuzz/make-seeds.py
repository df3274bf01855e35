#!/usr/bin/env python3
"""Writes the hand-made seed inputs into fuzz/corpus/. The engine's seeds are scripts in
the step encoding that EngineFuzz.cpp describes; run again after changing that encoding."""
import pathlib

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"

# ---- engine scripts ----------------------------------------------------------------------
EDGE_SIZES = [0, 1, 5, 127, 128, 129, 1023, 1024, 1025, 1151, 1152, 1153, 2048, 3000,
              32640, 32767]
TOKENS = {"A": 0, "N": 1, "C": 2}


def load(size=None, kind=None, path=None, lax=False, pattern=0, seed=0x1234):
    """kind: 'edge' (size from the table), 'byte', 'wide', 'oversize' or 'missing'."""
    if kind is None:
        kind = "edge" if size in EDGE_SIZES else "byte" if size < 256 else "wide"
    flags = {"edge": 0, "wide": 1, "byte": 5, "oversize": 6, "missing": 7}[kind]
    flags |= (8 if lax else 0) | (0x10 if path is not None else 0) | pattern << 5
    out = [10, flags]
    if kind == "edge":
        out.append(EDGE_SIZES.index(size))
    elif kind == "byte":
        out.append(size)
    elif kind == "oversize":
        out.append(size)  # 32768 + 16 * size
    elif kind == "wide":
        out += [size >> 8, size & 0xFF]  # the target takes it modulo 32768
    if path is not None:
        encoded = path.encode()
        out += [len(encoded)] + list(encoded)
    if kind != "missing":
        out += [seed >> 8, seed & 0xFF]
    return out


def receive(*tokens):
    header = {1: 0, 2: 1 << 3}.get(len(tokens), 2 << 3)
    out = [0, header] + ([] if len(tokens) <= 2 else [len(tokens)])
    for token in tokens:
        out += [TOKENS[token]] if token in TOKENS else [3, token]
    return out


def wait_ms(ms):
    return [7, 1, ms]


def late_ms(ms):
    return [9, 1, ms]


def start():
    return [14]


def device(frames):
    return [13, frames - 1]


def toggle_port():
    return [12]


def next_deadline(nudge=0):
    return [15, nudge + 1]


ENGINE = {
    "whole_5_bytes": load(5, path="fw.bin") + start() + device(10),
    "whole_1152_bytes": load(1152, path="dir/image.hex") + start() + device(12),
    "whole_32767_bytes": load(32767, path="big.bin") + start() + device(48),
    "whole_3000_bytes_counting": load(3000, path="count.bin", pattern=7) + start() + device(16),
    "step_by_step_128_bytes": load(128, path="a.bin") + receive("C") + wait_ms(3)
    + receive("A", "C") + wait_ms(3) + receive("A") + wait_ms(3) + receive("A") + wait_ms(3)
    + wait_ms(25) + receive("A") + wait_ms(3) + [7, 2, 30],
    "reload_during_transfer": load(3000, path="old.bin") + start() + device(2)
    + load(200, path="new.bin", seed=0x4321) + device(3) + start() + device(10),
    "reload_larger_then_restart": load(3000, path="old.bin") + start() + device(3)
    + load(2048, path="new.bin", seed=0x5678) + start() + device(6),
    "load_while_eot_waits": load(128, path="a.bin") + start() + receive("A", "C") + wait_ms(3)
    + receive("A") + wait_ms(3) + load(5, path="b.bin") + wait_ms(30) + start() + device(4),
    "timeout_then_again": load(129, path="t.bin") + start() + device(1) + [7, 2, 150] + start()
    + device(6),
    "nak_then_again": load(1025, path="n.bin") + start() + device(1) + receive("N") + wait_ms(3)
    + receive("A") + wait_ms(3) + [7, 2, 30] + start() + device(6),
    "port_closed_midway": load(2048, path="p.bin") + start() + toggle_port() + device(2)
    + toggle_port() + device(6) + [7, 2, 30] + start() + device(6),
    "refused_loads": load(1024, path="r.bin") + start() + device(1)
    + load(3, kind="oversize", path="huge.bin", lax=True) + load(kind="missing", path="gone.bin")
    + device(6),
    "long_name": load(127, path="目录/" + "固件" * 30) + start() + device(6),
    "late_wakes": load(1023, path="l.bin") + receive("C") + late_ms(10) + receive("A", "C")
    + next_deadline(-1) + next_deadline(0) + device(4) + late_ms(200),
    "no_image_loaded": start() + device(5),
    # A NAK arms the half-second reset; it lands between the last block and its EOT, a C
    # starts a new transfer, and the old EOT still follows its block 0.
    "eot_after_reset_and_new_start": load(128, path="x") + receive("C") + wait_ms(3)
    + receive("N") + wait_ms(3) + [7, 2, 24] + receive("A") + wait_ms(3) + receive("A")
    + wait_ms(3) + wait_ms(14) + receive("C") + wait_ms(3) + wait_ms(10) + receive("A")
    + wait_ms(3),
    # 1100 bytes overflow the receive buffer and are dropped; 1000 bytes starting with C
    # are read as a request to start.
    "long_bursts": [0, 3 << 3, 0x04, 0x4C] + [2] * 16 + [0x55] + wait_ms(3)
    + [0, 3 << 3, 0x03, 0xE8] + [2] + [0] * 15 + [0x55] + wait_ms(3) + device(3),
}

# ---- settings: flags, lengths, section, key, value, file content -------------------------
WINDOWS_INI = ("[Config]\r\nPath=D:\\固件\\主板.bin\r\nComm=COM3\r\n"
               "Settings=115200,N,8,1\r\n\r\n[Other]\r\nKey=Value\r\n").encode("gbk")


def settings(flags, section, key, value, content, pick=None):
    head = [flags, len(section), len(key), len(value)] + ([pick] if pick is not None else [])
    return bytes(head) + section + key + value + content


SETTINGS = {
    "replace_crlf": settings(0x02, b"Config", b"Comm", b"COM4", WINDOWS_INI),
    "replace_gbk_value": settings(0x02, b"Config", b"Path", "E:\\新建\\烧写.bin".encode("gbk"),
                                  WINDOWS_INI),
    "new_key_crlf": settings(0x02, b"config", b"Baud", b"9600", WINDOWS_INI),
    "new_section_no_final_break": settings(0x00, b"b", b"y", b"2", b"[a]\nx=1"),
    "new_section_final_cr": settings(0x02, b"s2", b"k", b"v", b"[s]\r"),
    "existing_names": settings(0x06, b"", b"", b" padded ", b";c\n[Sec]\r\n k = v \r\nz=1\r\n",
                               pick=0),
    "refused_key": settings(0x00, b"s", b"a=b", b"v", b"[s]\na=1\n"),
    "empty_file": settings(0x00, b"Config", b"Path", b"fw.bin", b""),
    "through_file": settings(0xF2, b"Config", b"Path", "固件.bin".encode("gbk"), WINDOWS_INI),
    "through_file_empty_value": settings(0xF0, b"Config", b"Comm", b"", WINDOWS_INI),
}

LINE_SETTINGS = {
    "common": "115200,N,8,1",
    "lower_even": "9600,e,7,2",
    "blanks_odd_half": " 19200 , o , 5 , 1.5 ",
    "mark": "57600,M,6,1",
    "space_tabs": "300,\tS\t,8,2",
    "three_fields": "9600,N,8",
    "five_fields": "9600,N,8,1,1",
    "bad_parity": "9600,X,8,1",
    "zero_baud": "0,N,8,1",
    "huge_baud": "99999999999,N,8,1",
    "nine_bits": "9600,N,9,1",
    "bad_stop": "9600,N,8,3",
    "wide_digits": "９６００,N,8,1",
    "empty": "",
}


def main():
    for name, folder in (("engine", ENGINE), ("settings", SETTINGS),
                         ("line_settings", LINE_SETTINGS)):
        target = CORPUS / name
        target.mkdir(parents=True, exist_ok=True)
        for seed_name, content in folder.items():
            data = content.encode() if isinstance(content, str) else bytes(content)
            (target / f"seed_{seed_name}").write_bytes(data)


if __name__ == "__main__":
    main()
