#!/usr/bin/env python3
"""An exchange-file codec written from the published record layout alone, standard library only.

It stands for another installation's program: it shares no code with ours, so a file that it
writes and our reader accepts, and a file of ours that it reads, show that both sides keep the
same bytes.

    test_exchangefile_outside.py write FILE [--old] < rows.json
    test_exchangefile_outside.py read FILE [--old] > rows.json

Rows are JSON objects {"CODFORM": 111, "CODREG": 5, "CODUCH": 284, "CODTAB": 1010, "MES": 10,
"TIP": 1, "UNICODSTR": 7, "DATA": ["1.5", ... 35 values]}; the old 330-byte record (--old) has
no CODFORM. Decimals travel as text. A file that is not sound makes "read" fail with a message
on standard error and exit status 1.
"""

import decimal
import json
import os
import struct
import sys
import zlib

# The container header: magic, version, record length, record count, CRC-32 of the records,
# reserved; all integers little-endian.
MAGIC = b"ZMRFLAT\0"
VERSION = 1
HEADER = struct.Struct("<8sIIQII")
HEADER_SIZE = 32

# The exchange record: (name, offset, kind, bytes, places, count). Packed decimals hold the sign
# in the high half of the first byte, then the digits, most significant first.
FIELDS = [
    ("CODFORM", 0, "decimal", 2, 0, 1),
    ("CODREG", 2, "byte", 1, 0, 1),
    ("CODUCH", 3, "long", 4, 0, 1),
    ("CODTAB", 7, "decimal", 3, 0, 1),
    ("MES", 10, "long", 4, 0, 1),
    ("TIP", 14, "byte", 1, 0, 1),
    ("UNICODSTR", 15, "short", 2, 0, 1),
    ("DATA", 17, "decimal", 9, 3, 35),
]
RECORD_SIZE = 332
OLD_RECORD_SIZE = 330  # the same fields without CODFORM, two bytes earlier

INTEGERS = {"byte": "<B", "short": "<h", "long": "<i"}

# The sign this writer puts into negative values. Programs differ here (0xF, 0xD, ...); a
# reader takes any non-zero sign as negative, so ours must accept this one too.
NEGATIVE_SIGN = 0xD


class Unsound(Exception):
    pass


def layout(old):
    if not old:
        return FIELDS, RECORD_SIZE
    return [(n, o - 2, k, b, p, c) for (n, o, k, b, p, c) in FIELDS if n != "CODFORM"], \
        OLD_RECORD_SIZE


def pack_decimal(text, size, places):
    digits = 2 * size - 1
    value = decimal.Decimal(text)
    units = value.scaleb(places)
    if units != units.to_integral_value():
        raise ValueError(f"{text}: more than {places} places")
    units = int(units)
    if abs(units) >= 10 ** digits:
        raise ValueError(f"{text}: more than {digits} digits")
    nibbles = [NEGATIVE_SIGN if units < 0 else 0] + [int(d) for d in str(abs(units)).zfill(digits)]
    return bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, len(nibbles), 2))


def unpack_decimal(raw, places, where):
    nibbles = []
    for b in raw:
        nibbles += [b >> 4, b & 0x0F]
    sign, digits = nibbles[0], nibbles[1:]
    if any(d > 9 for d in digits):
        raise Unsound(f"{where}: a digit above 9")
    units = int("".join(str(d) for d in digits))
    if sign != 0 and units != 0:
        units = -units
    text = str(abs(units)).zfill(places + 1)
    if places:
        text = text[:-places] + "." + text[-places:]
    return ("-" if units < 0 else "") + text


def encode(row, old):
    fields, size = layout(old)
    record = bytearray(size)
    for name, offset, kind, width, places, count in fields:
        values = row[name] if count > 1 else [row[name]]
        if len(values) != count:
            raise ValueError(f"{name}: {len(values)} values, expected {count}")
        for i, value in enumerate(values):
            at = offset + i * width
            if kind == "decimal":
                record[at:at + width] = pack_decimal(str(value), width, places)
            else:
                struct.pack_into(INTEGERS[kind], record, at, int(value))
    return bytes(record)


def decode(record, index, old):
    fields, _ = layout(old)
    row = {}
    for name, offset, kind, width, places, count in fields:
        values = []
        for i in range(count):
            at = offset + i * width
            where = f"record {index + 1}, {name}{i + 1 if count > 1 else ''}"
            if kind == "decimal":
                text = unpack_decimal(record[at:at + width], places, where)
                values.append(text if places else int(text))  # codes as numbers
            else:
                values.append(struct.unpack_from(INTEGERS[kind], record, at)[0])
        row[name] = values if count > 1 else values[0]
    return row


def write(path, rows, old):
    _, size = layout(old)
    records = b"".join(encode(row, old) for row in rows)
    header = HEADER.pack(MAGIC, VERSION, size, len(rows), zlib.crc32(records), 0)
    temp = path + ".part"
    with open(temp, "wb") as out:
        out.write(header + records)
        out.flush()
        os.fsync(out.fileno())
    os.replace(temp, path)


def read(path, old):
    _, size = layout(old)
    with open(path, "rb") as f:
        content = f.read()
    if len(content) < HEADER_SIZE:
        raise Unsound("shorter than the header")
    magic, version, length, count, crc, reserved = HEADER.unpack_from(content)
    if magic != MAGIC:
        raise Unsound("not an exchange file")
    if version != VERSION or reserved != 0:
        raise Unsound(f"version {version}, reserved {reserved}")
    if length != size:
        raise Unsound(f"records of {length} bytes, expected {size}")
    records = content[HEADER_SIZE:]
    if len(records) != count * size:
        raise Unsound(f"{len(records)} record bytes for {count} records")
    if zlib.crc32(records) != crc:
        raise Unsound("checksum mismatch")
    return [decode(records[i * size:(i + 1) * size], i, old) for i in range(count)]


def main(argv):
    if len(argv) < 3 or argv[1] not in ("write", "read"):
        print(__doc__, file=sys.stderr)
        return 2
    path, old = argv[2], "--old" in argv[3:]
    if argv[1] == "write":
        write(path, json.load(sys.stdin), old)
        return 0
    try:
        rows = read(path, old)
    except Unsound as why:
        print(f"{path}: {why}", file=sys.stderr)
        return 1
    json.dump(rows, sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
