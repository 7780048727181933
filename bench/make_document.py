#!/usr/bin/env python3
"""Writes the benchmarks' documents, from the same pieces and the same seed every time:
    bench/make_document.py FILE                 about 100 MB of Shift-JIS text in lines of
                                                about 100 bytes, each ended by CR LF
    bench/make_document.py FILE MB LINE_BYTES   MB megabytes in lines of about LINE_BYTES
    bench/make_document.py FILE MB short        MB megabytes of short lines (about 11 bytes
                                                with their CR LF), such as lists of numbers"""
import random
import sys

random.seed(20261207)
pieces = ["日本語の".encode("cp932"), "テキスト".encode("cp932"), "ﾃｷｽﾄ".encode("cp932"),
          b"plain ascii words ", b"http://example.com/files/archive-0042.zip",
          b'<a href="index.html">', "表示".encode("cp932"), "\u3000".encode("cp932")]
megabytes = int(sys.argv[2]) if len(sys.argv) > 2 else 100
target = megabytes * 1024 * 1024

if len(sys.argv) > 3 and sys.argv[3] == "short":
    # A block of about a megabyte of random short lines, written over and over.
    words = [b"12345", b"abc", "表示".encode("cp932"), "ﾃｷｽﾄ".encode("cp932"), b"x", b"", b"<b>",
             b"2026-12-08", "日本".encode("cp932"), b"  ok"]
    block = bytearray()
    while len(block) < 1024 * 1024:
        line = b"".join(random.choice(words) for _ in range(random.randint(1, 4)))
        block += line[:24] + b"\r\n"
    with open(sys.argv[1], "wb") as out:
        for _ in range(target // len(block)):
            out.write(block)
    sys.exit(0)

line_bytes = int(sys.argv[3]) if len(sys.argv) > 3 else 100
out, line, size = [], bytearray(), 0
while size < target:
    line += random.choice(pieces)
    if len(line) >= line_bytes:
        out.append(bytes(line) + b"\r\n")
        size += len(line) + 2
        line = bytearray()
open(sys.argv[1], "wb").write(b"".join(out))
