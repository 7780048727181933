#!/usr/bin/env python3
"""Writes the benchmarks' document: about 100 MB of Shift-JIS text in lines of about 100 bytes,
each ended by CR LF, from the same pieces and the same seed every time.
    bench/make_document.py FILE"""
import random
import sys

random.seed(20261207)
pieces = ["日本語の".encode("cp932"), "テキスト".encode("cp932"), "ﾃｷｽﾄ".encode("cp932"),
          b"plain ascii words ", b"http://example.com/files/archive-0042.zip",
          b'<a href="index.html">', "表示".encode("cp932"), "\u3000".encode("cp932")]
out, line, size = [], bytearray(), 0
while size < 100 * 1024 * 1024:
    line += random.choice(pieces)
    if len(line) >= 100:
        out.append(bytes(line) + b"\r\n")
        size += len(line) + 2
        line = bytearray()
open(sys.argv[1], "wb").write(b"".join(out))
