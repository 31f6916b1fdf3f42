#!/usr/bin/python3
# Writes the inputs of the golden cases of the exchange-file and old-format loads
# (tests/golden/exchange, tests/golden/oldformat) byte by byte from the formats, with the
# standard library only and nothing of this program:
#
#     cd tests/golden && python3 tools/make_exchange_files.py
#
# The container: a 32-byte header, all integers little-endian,
#     0  8  "ZMRFLAT" and a zero byte
#     8  4  format version 1
#    12  4  record length
#    16  8  record count
#    24  4  CRC-32 (zlib) of all record bytes
#    28  4  zero
# then the records. The report record (330 bytes): district BYTE, institution LONG, table
# DECIMAL(5), period LONG, period kind BYTE, row id SHORT, 35 values DECIMAL(17,3); a packed
# decimal of d digits takes d // 2 + 1 bytes, the high half of its first byte the sign (0
# positive, anything else negative), then the digits, most significant first. The exchange
# record (332 bytes) is the form code, DECIMAL(3), followed by the report record; the old
# record is the report record alone. Each case's files go to <case>/input/ under their own
# names; args.txt and expected.txt are written by hand.
import os
import shutil
import struct
import zlib
from decimal import Decimal

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def packed(value, digits, places=0, sign=None):
    """`value` (text or number) as a packed decimal; `sign` forces the sign half-byte."""
    scaled = int(Decimal(str(value)).scaleb(places).to_integral_exact())
    text = str(abs(scaled)).rjust(digits, '0')
    assert len(text) == digits, (value, digits)
    nibbles = [sign if sign is not None else (0xD if scaled < 0 else 0)] + [int(c) for c in text]
    assert len(nibbles) % 2 == 0
    return bytes(nibbles[i] << 4 | nibbles[i + 1] for i in range(0, len(nibbles), 2))


def value(v):
    """A column value: a number, or the 9 bytes as they are."""
    return v if isinstance(v, bytes) else packed(v, 17, 3)


def report(district, institution, table, period, kind, row, values):
    """A 330-byte report record; `values` maps column numbers 1..35 to values."""
    data = b''.join(value(values.get(n, 0)) for n in range(1, 36))
    out = (struct.pack('<Bi', district, institution) + packed(table, 5) +
           struct.pack('<iBh', period, kind, row) + data)
    assert len(out) == 330
    return out


def exchange(form, *args):
    return packed(form, 3) + report(*args)


def container(records, length=None, count=None, crc=None, version=1):
    body = b''.join(records)
    length = length if length is not None else (len(records[0]) if records else 332)
    count = count if count is not None else len(records)
    crc = crc if crc is not None else zlib.crc32(body)
    return b'ZMRFLAT\0' + struct.pack('<IIQII', version, length, count, crc, 0) + body


def write(folder, name, content):
    path = os.path.join(ROOT, folder, 'input', name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(content)


def disease_rows(district, institution, period, kind, rows):
    """Form 7 or 12, table 1000: rows {row id: (all, men, women, first-time)}."""
    return [(district, institution, 1000, period, kind, row,
             {1: v[0], 2: v[1], 3: v[2], 4: v[3]}) for row, v in rows.items()]


# Sound disease tables: all = men + women, first-time <= all, row 1 = rows 2 + 3 + 4.
DISEASES_A = {1: (60, 25, 35, 12), 2: (30, 10, 20, 6), 3: (20, 10, 10, 4), 4: (10, 5, 5, 2)}
DISEASES_B = {1: (9, 4, 5, 3), 2: (5, 2, 3, 1), 3: (3, 1, 2, 1), 4: (1, 1, 0, 1)}
# First-time above all in row 4: the column rule fails.
DISEASES_BAD = {1: (9, 4, 5, 3), 2: (5, 2, 3, 1), 3: (3, 1, 2, 1), 4: (1, 1, 0, 7)}


def beds(district, institution, quarter):
    """Form 14 for a quarter: beds, admitted, discharged by ward; bed-days and deaths."""
    rows = {1: (50, 90, 80), 2: (20, 40, 35), 3: (20, 30, 30), 4: (10, 20, 15)}
    out = [(district, institution, 1000, quarter, 2, row, {1: b, 2: a, 3: d})
           for row, (b, a, d) in rows.items()]
    out.append((district, institution, 2000, quarter, 2, 5, {1: 700, 2: 1}))
    return out


def exchange_cases():
    # A district's file: the annual form 12, the monthly form 7 and the quarterly form 14 of
    # its institutions, named as a district export names it.
    rows = ([exchange(12, *r) for r in disease_rows(3, 301, 0, 0, DISEASES_A)] +
            [exchange(7, *r) for r in disease_rows(3, 301, 5, 1, DISEASES_B)] +
            [exchange(7, *r) for r in disease_rows(3, 302, 5, 1, DISEASES_BAD)] +
            [exchange(7, *r) for r in disease_rows(3, 7301, 5, 1, DISEASES_B)] +
            [exchange(14, *r) for r in beds(3, 301, 2)])
    write('exchange/district-file', 'r3_2025F12m5F7k2F14.dat', container(rows))

    # The daily form 52 (its period a day number: 2460738 is 3 March 2025, stored; 2460745
    # is 10 March, new) and the half-yearly form 53 (102 has sent the first half-year only).
    day = [(1, 101, 1000, d, 5, row, {1: row * 3, 2: row * 7}) for d in (2460738, 2460745)
           for row in (1, 2)]
    half = [(1, 102, 1000, h, 3, row, {1: '%d.5' % (40 + row), 2: 30 + row}) for h in (1, 2)
            for row in (1, 2)]
    write('exchange/daily-and-half-yearly', 'r1p2F53.dat',
          container([exchange(52, *r) for r in day] + [exchange(53, *r) for r in half]))

    # Two institutions of a district that has sent nothing yet: one of them is chosen.
    rows = ([exchange(7, *r) for r in disease_rows(5, 501, 3, 1, DISEASES_A)] +
            [exchange(7, *r) for r in disease_rows(5, 502, 3, 1, DISEASES_B)])
    write('exchange/one-institution', 'r5m3F7.dat', container(rows))

    # An institution's file loaded into another year than its own.
    rows = [exchange(7, *r) for r in disease_rows(3, 303, 3, 1, DISEASES_B)]
    write('exchange/other-year', 'u303m3F7.dat', container(rows))

    # The widest table (28 columns): every one of the 35 values set, beyond the table's too.
    wide = {n: n * 1000 + n for n in range(1, 36)}
    rows = [exchange(62, 5, 503, 8003, 0, 0, row, wide) for row in (29, 30, 31)]
    write('exchange/widest-table', 'u503_2025F62.dat', container(rows))

    # Values at the edges of the packed decimal, in table 9000 of form 62.
    edges = {
        1: '99999999999999.999',
        2: '-99999999999999.999',
        3: '-0.001',
        4: '0.001',
        5: '12345678901234.567',
        6: '0.5',
        7: packed('-7.25', 17, 3, sign=0xF),  # any sign half-byte but 0 is negative
        8: packed('0', 17, 3, sign=0xD),  # minus zero is zero
        35: '-1',
    }
    rows = [exchange(62, 5, 504, 9000, 0, 0, 41, edges),
            exchange(62, 5, 504, 9000, 0, 0, 42, {1: '1.1', 2: '-2.22', 3: '3.333'})]
    write('exchange/decimal-edges', 'u504_2025F62.dat', container(rows))

    # Damaged files, none of which may change anything.
    good = [exchange(7, *r) for r in disease_rows(5, 505, 4, 1, DISEASES_B)]
    whole = container(good)
    write('exchange/damaged', 'u505m4F7a.dat', whole[:-100])  # cut short
    altered = bytearray(whole)
    altered[32 + 332 + 17 + 8] ^= 0x01  # row 2, column 1: 5 becomes 5.001
    write('exchange/damaged', 'u505m4F7b.dat', bytes(altered))
    write('exchange/damaged', 'u505m4F7c.dat',
          container([r + b'\0' for r in good]))  # 333-byte records
    bad = bytearray(good[0])
    bad[17 + 9 * 2 + 8] = 0x0A  # column 3 of row 1 ends in a half-byte above 9
    write('exchange/damaged', 'u505m4F7d.dat', container([bytes(bad)] + good[1:]))
    write('exchange/damaged', 'u505m4F7e.dat',
          container([r[2:] for r in good]))  # the old layout
    write('exchange/damaged', 'u505m4F7f.dat', container([], length=332))  # no records


def old_cases():
    # Every institution of the files: a stored report is left, institution 0 never loaded.
    rows = ([report(*r) for r in disease_rows(3, 301, 5, 1, DISEASES_B)] +
            [report(*r) for r in disease_rows(3, 7301, 5, 1, DISEASES_B)] +
            [report(*r) for r in disease_rows(0, 0, 5, 1, DISEASES_A)])
    write('oldformat/every-institution', 'W0007x05.dat', container(rows))
    write('oldformat/every-institution', 'w0014k02.DAT',
          container([report(*r) for r in beds(3, 7301, 2)]))

    # One chosen institution; its rows of another period than the name's come too.
    rows = ([report(*r) for r in disease_rows(5, 501, 3, 1, DISEASES_A)] +
            [report(*r) for r in disease_rows(5, 502, 3, 1, DISEASES_B)] +
            [report(5, 501, 1000, 4, 1, 1, {1: 2, 2: 1, 3: 1})])
    write('oldformat/one-institution', 'W0007x03.dat', container(rows))

    # A stored report of the chosen institution: left as it is; or completed, its rows present
    # staying as stored (row 1) and the rows it lacks added (rows 41 and 673).
    write('oldformat/existing-left', 'W0007x05.dat',
          container([report(*r) for r in disease_rows(3, 301, 5, 1, DISEASES_B)]))
    write('oldformat/complete', 'W0062x00.dat', container([
        report(3, 301, 1000, 0, 0, 1, {1: 10, 2: 5}),
        report(3, 301, 9000, 0, 0, 41, {1: '1500.25', 2: 1000, 3: '500.25'}),
        report(3, 301, 8030, 0, 0, 673, {1: 12}),
    ]))

    # A report failing a control, and "НЕТ" to going on.
    write('oldformat/controls-declined', 'W0007x06.dat',
          container([report(*r) for r in disease_rows(5, 506, 6, 1, DISEASES_BAD)]))

    # Names: only "W" + four digits + one character + two digits is an old-format file.
    one = container([report(*r) for r in disease_rows(5, 506, 6, 1, DISEASES_B)])
    for name in ('W0007x06.dat', 'W00a7x06.dat', 'W0007x6.dat', 'W0007xa6.dat', 'X0007x06.dat',
                 'W0007x06x.dat', 'W0284.dat'):
        write('oldformat/names', name, one)

    # Damaged files and a file of the current layout, none of which may change anything.
    good = [report(*r) for r in disease_rows(5, 506, 7, 1, DISEASES_B)]
    whole = container(good)
    write('oldformat/damaged', 'W0007x01.dat', whole[:-1])
    altered = bytearray(whole)
    altered[-1] ^= 0x10
    write('oldformat/damaged', 'W0007x02.dat', bytes(altered))
    bad = bytearray(good[1])
    bad[15 + 4] = 0xB0  # a digit of column 1 above 9
    write('oldformat/damaged', 'W0007x03.dat', container([good[0], bytes(bad)]))
    write('oldformat/damaged', 'W0007x04.dat', container([packed(7, 3) + r for r in good]))
    write('oldformat/damaged', 'W0007x08.dat', container([], length=330))


if __name__ == '__main__':
    for folder in ('exchange', 'oldformat'):
        for case in os.listdir(os.path.join(ROOT, folder)) if os.path.isdir(
                os.path.join(ROOT, folder)) else []:
            shutil.rmtree(os.path.join(ROOT, folder, case, 'input'), ignore_errors=True)
    exchange_cases()
    old_cases()
