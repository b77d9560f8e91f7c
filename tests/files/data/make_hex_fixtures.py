#!/usr/bin/env python3
"""Writes the hand-made Intel HEX fixtures of the firmware image tests.

The objcopy_* fixtures come from binutils instead:
  objcopy -I binary -O ihex --change-addresses 0x2000 objcopy_2000.bin objcopy_2000.hex
  objcopy -I binary -O ihex --change-addresses 0x1FF00 --set-start 0x12345678 \
      objcopy_segments.bin objcopy_segments.hex
"""


def record(rtype, address, data=b""):
    body = bytes([len(data), (address >> 8) & 0xFF, address & 0xFF, rtype]) + data
    return ":" + (body + bytes([(-sum(body)) & 0xFF])).hex().upper()


def data_records(address, data, width):
    return [record(0, address + i, data[i:i + width]) for i in range(0, len(data), width)]


def ramp(n, seed=0):
    return bytes((seed + i * 7) & 0xFF for i in range(n))


EOF_LINE = record(1, 0)

fixtures = {
    # Type 4 records: upper 1 puts data at 0x10000; upper 8 is 0x80000, past the image.
    "linear.hex": [record(0, 0x3000, b"\x11\x22"), record(4, 0, b"\x00\x01"),
                   record(0, 0x0000, b"\xAA\xBB\xCC"), record(4, 0, b"\x00\x08"),
                   record(0, 0x0000, b"\x99" * 16), EOF_LINE],
    # 200 and 255 data bytes per record: the checksum sits far past column 255.
    "long_records.hex": data_records(0x2000, ramp(200), 200) +
                        data_records(0x20C8, ramp(255, 3), 255) + [EOF_LINE],
    # Segment 0x1000 is upper address 1 (0x10000); 0x1800 is not a multiple of 0x1000.
    "segment_1000.hex": [record(2, 0, b"\x10\x00"), record(0, 0x0000, b"\x01\x02"), EOF_LINE],
    "segment_1800.hex": [record(2, 0, b"\x18\x00"), record(0, 0x0000, b"\x01\x02"), EOF_LINE],
    "boot_only.hex": data_records(0x0000, ramp(64), 16) + [record(0, 0x1FF0, ramp(16))] +
                     [EOF_LINE],
    "no_end_record.hex": data_records(0x2000, ramp(32), 16),
    # Records after the end record are never read.
    "after_end.hex": [record(0, 0x2000, b"\x42"), EOF_LINE, "garbage"],
}

bad = {
    "lowercase.hex": [record(0, 0x2000, b"\xAB\xCD").lower(), EOF_LINE],
    "blank_line.hex": [record(0, 0x2000, b"\x01"), "", record(0, 0x2001, b"\x02"), EOF_LINE],
    "bad_checksum.hex": [record(0, 0x2000, b"\x01\x02")[:-2] + "00", EOF_LINE],
    "short_record.hex": [record(0, 0x2000, b"\x01\x02\x03")[:-4], EOF_LINE],
    "no_colon.hex": [record(0, 0x2000, b"\x01").lstrip(":"), EOF_LINE],
    "bad_count.hex": [record(4, 0, b"\x00\x00\x01"), EOF_LINE],
}

for name, lines in {**fixtures, **bad}.items():
    with open(name, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
