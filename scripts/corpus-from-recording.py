#!/usr/bin/env python3
"""Extracts every answer and push body of a session recording (docs/recording.md) into the fuzz
seed folders by function, fuzz/corpus/<function>/, one file per distinct body, named by its
SHA-1 (so a body already there, under any name, is not added again). Pushed snapshots (10001)
go to the 10002 folder: they have its layout.

    scripts/corpus-from-recording.py s.qzr [--corpus fuzz/corpus] [--all-functions]

Only functions that already have a corpus folder (that is, a fuzz entry) get seeds unless
--all-functions is given. A damaged recording is read up to its last good record, with the same
warning as the C++ reader. Prints one line per function: added, already present, skipped.
"""
import argparse
import collections
import hashlib
import os
import struct
import sys
import zlib

MAGIC = b"QZLV2REC"
VERSION = 1
MAX_PAYLOAD = 64 << 20
ANSWER, PUSH = 2, 3
# Functions whose bodies share another's layout, and so its seed folder.
FOLDER_OF = {10001: "10002"}  # a pushed snapshot is a snapshot answer


def read_string(payload, pos):
    (n,) = struct.unpack_from("<H", payload, pos)
    end = pos + 2 + n
    if end > len(payload):
        raise ValueError("a field runs past the payload")
    return payload[pos + 2:end].decode("utf-8", "replace"), end


def read_blob(payload, pos):
    (n,) = struct.unpack_from("<I", payload, pos)
    end = pos + 4 + n
    if end > len(payload):
        raise ValueError("a field runs past the payload")
    return payload[pos + 4:end], end


def header_size(data):
    if data[:8] != MAGIC:
        raise SystemExit("not a recording (no \"QZLV2REC\" at offset 0)")
    if len(data) < 20:
        raise SystemExit("the header is cut short")
    version, _start, n = struct.unpack_from("<HqH", data, 8)
    size = 20 + n + 4
    if len(data) < size:
        raise SystemExit("the header is cut short")
    (crc,) = struct.unpack_from("<I", data, size - 4)
    if crc != zlib.crc32(data[:size - 4]):
        raise SystemExit("header CRC mismatch at offset %d" % (size - 4))
    if version != VERSION:
        raise SystemExit("format version %d is not known" % version)
    return size


def bodies(data):
    """Yields (function, body) of every answer and push up to the first damaged record."""
    offset = header_size(data)
    kept = 0
    while offset < len(data):
        why = None
        if len(data) - offset < 8:
            why = "cut short"
        else:
            length, crc = struct.unpack_from("<II", data, offset)
            payload = data[offset + 8:offset + 8 + length]
            if length < 9 or length > MAX_PAYLOAD:
                why = "payload length %d out of range" % length
            elif len(payload) < length:
                why = "cut short"
            elif zlib.crc32(payload) != crc:
                why = "CRC mismatch"
        if why is None:
            kind = payload[0]
            try:
                if kind in (ANSWER, PUSH):
                    _service, pos = read_string(payload, 9)
                    (function,) = struct.unpack_from("<I", payload, pos)
                    pos += 8 if kind == ANSWER else 4  # function, and the task id of an answer
                    body, pos = read_blob(payload, pos)
                    if pos != len(payload):
                        raise ValueError("bytes after the last field")
                    yield function, body
            except (ValueError, struct.error) as e:
                why = str(e)
        if why is not None:
            print("recording: damaged record at offset %d (%s); %d good records kept"
                  % (offset, why, kept), file=sys.stderr)
            return
        kept += 1
        offset += 8 + length


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("recording")
    parser.add_argument("--corpus", default=os.path.join(os.path.dirname(__file__), "..", "fuzz", "corpus"))
    parser.add_argument("--all-functions", action="store_true")
    args = parser.parse_args()
    with open(args.recording, "rb") as f:
        data = f.read()
    counts = collections.OrderedDict()
    known = {}
    for function, body in bodies(data):
        folder = os.path.join(args.corpus, FOLDER_OF.get(function, str(function)))
        counts.setdefault(function, [0, 0, 0])
        if not os.path.isdir(folder) and not args.all_functions:
            counts[function][2] += 1
            continue
        os.makedirs(folder, exist_ok=True)
        if folder not in known:
            known[folder] = set()
            for name in os.listdir(folder):
                with open(os.path.join(folder, name), "rb") as seed:
                    known[folder].add(hashlib.sha1(seed.read()).hexdigest())
        digest = hashlib.sha1(body).hexdigest()
        if digest in known[folder]:
            counts[function][1] += 1
            continue
        known[folder].add(digest)
        with open(os.path.join(folder, "rec_%s.bin" % digest[:16]), "wb") as seed:
            seed.write(body)
        counts[function][0] += 1
    for function, (added, present, skipped) in sorted(counts.items()):
        print("%d: %d added, %d already present, %d skipped (no corpus folder)"
              % (function, added, present, skipped))


if __name__ == "__main__":
    main()
