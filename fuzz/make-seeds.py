#!/usr/bin/env python3
"""Writes the seed corpora in fuzz/corpus/: a few small, valid inputs of each kind for the fuzzers
to mutate. Run again after changing it; the seeds are committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(folder, name, data):
    path = os.path.join(HERE, "corpus", folder)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), "wb") as out:
        out.write(data)


def dir_string(raw):
    if not raw:
        return b"\x00"
    width = 1 if len(raw) <= 0xFF else 2 if len(raw) <= 0xFFFF else 4
    return bytes([width]) + len(raw).to_bytes(width, "little") + raw


def container(version, items, sorted_names=False, header_size=12):
    out = b"SDB" + bytes([version])
    info_at = None
    if version == 4:
        out += struct.pack("<I", len(items))
    else:
        out += struct.pack("<iI", header_size, len(items))
        info_at = len(out)
        out += struct.pack("<iI", 0, 1 if sorted_names else 0) + b"\xEE" * max(header_size - 12, 0)
    for name, work, _ in items:
        out += dir_string(name) + dir_string(work)
    if info_at is not None:
        out = out[:info_at] + struct.pack("<i", len(out)) + out[info_at + 4:]
    entry = 8 if version == 4 else 12
    data_at = len(out) + entry * len(items)
    for _, _, data in items:
        out += (struct.pack("<II", data_at, len(data)) if version == 4 else struct.pack("<qI", data_at, len(data)))
        data_at += len(data)
    return out + b"".join(data for _, _, data in items)


ITEMS = [(b"Info", b"w", b"\x01\x02\x03"), (b"alpha", b"", b""), ("Смета".encode("cp1251"), b"x" * 300, b"data")]
write("ContainerDirectory", "v4", container(4, ITEMS))
write("ContainerDirectory", "v5-sorted", container(5, sorted(ITEMS), True))
write("ContainerDirectory", "v5-long-header", container(5, ITEMS, False, 20))
write("ContainerDirectory", "v5-empty", container(5, []))


def tagged_ansi(raw):
    return (b"\x06" + bytes([len(raw)]) if len(raw) <= 255 else b"\x07" + struct.pack("<H", len(raw))) + raw


def tagged_wide(text):
    units = text.encode("utf-16-le")
    return b"\x0B" + bytes([len(units) // 2]) + units


# Each value is preceded by the operation byte the fuzz target dispatches on (see FilerValues.Fuzz.cpp).
write("FilerValues", "numbers",
      b"\x00\xFE" + b"\x01\xD4\xFE" + b"\x02" + struct.pack("<i", -5) + b"\x03" + struct.pack("<q", 1 << 40)
      + b"\x04" + struct.pack("<d", 1.5) + b"\x05" + struct.pack("<q", 123456)
      + b"\x06" + bytes.fromhex("0000000000000080FF3F"))
write("FilerValues", "strings",
      b"\x07" + tagged_ansi("Смета".encode("cp1251")) + b"\x08" + tagged_ansi(b"a" * 300)
      + b"\x09" + tagged_wide("Я😀") + b"\x07" + tagged_wide("w"))
write("FilerValues", "lists",
      b"\x0D" + struct.pack("<i", 2) + b"\x0A\x0A\x0E" + b"\x0B\x01\x0E" + b"\x0F" + b"\x0C\x5A")
