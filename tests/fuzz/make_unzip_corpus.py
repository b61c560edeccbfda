#!/usr/bin/env python3
"""Writes the small seed archives of tests/fuzz/corpus/unzip/.

Each seed exercises one path of the extractor: every compression method
(the old ones with tiny hand-assembled streams), data descriptors, folders,
a stub in front of the archive, refused methods and encryption.
"""
import io
import os
import struct
import sys
import zipfile
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "unzip")


class Bits:
    """LSB-first bit writer."""

    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, bits):
        self.acc |= (value & ((1 << bits) - 1)) << self.n
        self.n += bits
        while self.n >= 8:
            self.out.append(self.acc & 0xFF)
            self.acc >>= 8
            self.n -= 8

    def bytes(self):
        return bytes(self.out + (bytes([self.acc]) if self.n else b""))


def raw_zip(entries, stub=b""):
    """entries: (name, method, flags, data, plain) -> archive bytes."""
    body = bytearray(stub)
    central = bytearray()
    for name, method, flags, data, plain in entries:
        crc = zlib.crc32(plain) & 0xFFFFFFFF
        offset = len(body) - len(stub)
        nb = name.encode("cp866") if not flags & 0x800 else name.encode()
        body += struct.pack("<IHHHHHIIIHH", 0x04034B50, 10, flags, method, 0, 0x5822,
                            crc, len(data), len(plain), len(nb), 0) + nb + data
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 10, 10, flags, method, 0, 0x5822,
                               crc, len(data), len(plain), len(nb), 0, 0, 0, 0, 0x20, offset) + nb
    cd_offset = len(body) - len(stub)
    body += central
    body += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries),
                        len(central), cd_offset, 0)
    return bytes(body)


def shrink_stream():
    b = Bits()
    for c in b"abab":
        b.put(c, 9)
    b.put(257, 9)          # "ab", added after the first two codes
    b.put(256, 9); b.put(1, 9)   # widen to 10 bits
    b.put(258, 10)         # "ba"
    b.put(256, 10); b.put(2, 10)  # partial clear
    b.put(ord("z"), 10)
    return b.bytes(), b"ababab" + b"ba" + b"z"


def reduce_stream(factor):
    b = Bits()
    for j in range(255, -1, -1):
        if j == ord("a"):
            b.put(2, 6); b.put(ord("b"), 8); b.put(ord("a"), 8)
        else:
            b.put(0, 6)
    plain = bytearray()
    def byte(prev, c):
        if prev == ord("a"):
            if c in (ord("b"), ord("a")):
                b.put(0, 1); b.put(0 if c == ord("b") else 1, 1)
            else:
                b.put(1, 1); b.put(c, 8)
        else:
            b.put(c, 8)
        return c
    prev = 0
    for c in b"abcd":
        prev = byte(prev, c); plain.append(c)
    # match: length 3+1, distance 4
    for c in (144, 1, 3):
        prev = byte(prev, c)
    plain += plain[-4:]
    for c in (144, 0):    # literal DLE
        prev = byte(prev, c)
    plain.append(144)
    return b.bytes(), bytes(plain)


def implode_stream(flags):
    b = Bits()
    lit = flags & 4
    if lit:
        b.put(15, 8)
        for _ in range(16):
            b.put(0xF7, 8)  # 16 symbols of length 8
    for _ in range(2):
        b.put(3, 8)
        for _ in range(4):
            b.put(0xF5, 8)  # 16 symbols of length 6
    low = 7 if flags & 2 else 6
    minimum = 3 if lit else 2
    plain = bytearray()
    for c in b"xyzw":
        b.put(1, 1)
        if lit:
            code = 255 - c  # uniform lengths: codes run backwards, MSB first
            for i in range(7, -1, -1):
                b.put((code >> i) & 1, 1)
        else:
            b.put(c, 8)
        plain.append(c)
    def sf(sym):
        code = 63 - sym
        for i in range(5, -1, -1):
            b.put((code >> i) & 1, 1)
    b.put(0, 1); b.put(3, low); sf(0); sf(2)  # distance 4, length 2 + minimum
    for _ in range(2 + minimum):
        plain.append(plain[-4])
    return b.bytes(), bytes(plain)


def python_zip(build):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as z:
        build(z)
    return buf.getvalue()


def main():
    os.makedirs(OUT, exist_ok=True)
    text = b"#EXTM3U\n" + b"".join(b"#EXTINF:-1,Channel %d\nhttp://127.0.0.1/%d\n" % (i, i) for i in range(40))
    seeds = {}
    seeds["stored.zip"] = python_zip(lambda z: z.writestr("a.txt", b"hello", zipfile.ZIP_STORED))
    seeds["deflated.zip"] = python_zip(lambda z: z.writestr("list.m3u", text, zipfile.ZIP_DEFLATED))
    def folders(z):
        z.writestr("sub/", b"")
        z.writestr("sub/a.ndx", b"abc" * 10, zipfile.ZIP_DEFLATED)
        z.writestr("empty.txt", b"")
    seeds["folders.zip"] = python_zip(folders)
    # Streamed: flag bit 3, sizes and CRC in a data descriptor.
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as z:
        with z.open(zipfile.ZipInfo("streamed.txt"), "w") as f:
            f.write(text)
    class Unseekable(io.RawIOBase):
        def __init__(self): self.data = bytearray()
        def writable(self): return True
        def write(self, b): self.data += b; return len(b)
    u = Unseekable()
    with zipfile.ZipFile(u, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("streamed.m3u", text)
    seeds["descriptor.zip"] = bytes(u.data)
    seeds["stub.zip"] = b"MZ-stub-bytes..." + seeds["deflated.zip"]
    data, plain = shrink_stream()
    seeds["shrink.zip"] = raw_zip([("S.TXT", 1, 0, data, plain)])
    for f in range(1, 5):
        data, plain = reduce_stream(f)
        seeds["reduce%d.zip" % f] = raw_zip([("R.TXT", 1 + f, 0, data, plain)])
    for flags in (0, 2, 4, 6):
        data, plain = implode_stream(flags)
        seeds["implode%d.zip" % flags] = raw_zip([("I.TXT", 6, flags, data, plain)])
    seeds["refused.zip"] = raw_zip([("m9.bin", 9, 0, b"xx", b"yy"), ("enc.txt", 0, 1, b"abc", b"abc"),
                                    ("ok.txt", 0, 0, b"ok", b"ok")])
    seeds["names.zip"] = raw_zip([("../up.txt", 0, 0, b"u", b"u"), ("\u041a\u0430\u043d\u0430\u043b.txt", 0, 0, b"k", b"k")],
                                 stub=b"")
    seeds["notzip.zip"] = b"<html><body>404</body></html>"
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    print("wrote %d seeds to %s" % (len(seeds), OUT))


if __name__ == "__main__":
    sys.exit(main())
