#!/usr/bin/env python3
"""What a user would write instead of the record codec, with the standard
library only: JSON Lines to records of CCSID 037 with big-endian numbers and
back, on the layout and data record_bench wrote into DIR. Prints the same
lines as record_bench: NAME DIRECTION RECORDS CPU-SECONDS BYTES."""
import codecs
import json
import struct
import sys
import time


def main(folder):
    fields = []
    size = 0
    with open(folder + "/layout.txt") as layout:
        for line in layout:
            name, kind, offset, length = line.split()
            if name == "SIZE":
                size = int(offset)
            else:
                fields.append((name, kind, int(offset), int(length)))
    with open(folder + "/records.jsonl", encoding="utf-8") as f:
        lines = f.read().splitlines()
    packers = {"long": struct.Struct(">i"), "short": struct.Struct(">h")}
    blank = " ".encode("cp037")
    encode37 = codecs.getencoder("cp037")
    decode37 = codecs.getdecoder("cp037")

    start = time.process_time()
    records = []
    for line in lines:
        obj = json.loads(line)
        record = bytearray(size)
        for name, kind, offset, length in fields:
            value = obj[name]
            if kind == "text":
                data = encode37(value)[0]
                if len(data) > length:
                    raise ValueError(f"{name}: text longer than {length}")
                record[offset:offset + length] = data.ljust(length, blank)
            else:
                packers[kind].pack_into(record, offset, value)
        records.append(bytes(record))
    elapsed = time.process_time() - start
    print(f"python-stdlib encode {len(lines)} {elapsed:.6f} {len(lines) * size}")

    start = time.process_time()
    for record, line in zip(records, lines):
        obj = {}
        for name, kind, offset, length in fields:
            if kind == "text":
                obj[name] = decode37(record[offset:offset + length].rstrip(blank))[0]
            else:
                obj[name] = packers[kind].unpack_from(record, offset)[0]
        text = json.dumps(obj, separators=(",", ":"), ensure_ascii=False)
        if text != line:
            raise ValueError("a record does not decode to its line")
    elapsed = time.process_time() - start
    print(f"python-stdlib decode {len(lines)} {elapsed:.6f} {len(lines) * size}")
    with open(folder + "/records.bin", "rb") as f:
        if f.read() != b"".join(records):
            raise ValueError("the records differ from the codec's")


if __name__ == "__main__":
    main(sys.argv[1])
