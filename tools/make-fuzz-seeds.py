#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpus: a few inputs per message kind the console sends, for
the speed search the hello replies at each step, and for the recording reader a recording begun
on a live link and one of many tiny records. Run from the repository root."""
import os
import struct

def msg(kind, payload):
    return bytes([0xA5, kind, len(payload) & 0xFF, len(payload) >> 8]) + bytes(payload)

def text(s, n):
    return (s.encode("latin-1") + b" " * n)[:n]

def fixture(n, addr, extended=False):
    p = bytearray(61)
    p[0], p[1], p[2], p[3], p[4] = n, 255, 1, 3, 2
    p[5], p[6] = addr & 0xFF, addr >> 8
    p[13:29] = text("Spot %d" % (n + 1), 16)
    if extended:
        p.append(0x77)
    p.append(3)
    for name in ("Pan", "Tilt", "Shutter"):
        p += text(name, 8)
    return bytes(p)

def profile(number):
    p = bytearray(202 + 8 * 3)
    p[0], p[31], p[70], p[71] = number, 3, 2, 1
    p += bytes([0, 0, 127]) + text("Closed", 8) + bytes([128, 128, 255]) + text("Open", 8)
    p += bytes([10, 0, 255]) + text("Any", 8)
    return bytes(p)

def dimmer(n, addr):
    return bytes([n, 1, addr & 0xFF, addr >> 8, 1, 0, 0]) + text("Dimmer %d" % n, 16) + bytes([128])

def playback(n, kind, page, num):
    return bytes([n, 1, 1, kind, page, num]) + text("Memory", 16) + bytes([200])

def show_list(num, page, steps):
    p = bytes([num, page]) + text("Show", 16) + bytes([steps])
    for k in range(steps):
        p += bytes([k, 0]) + text("Scene %d" % k, 16)
    return p

seeds = {
    "fixture": msg(4, fixture(2, 100)) + msg(9, [105, 0, 0x80]) + msg(8, [2, 1, 0xA5]),
    "fixture-high-address": msg(4, fixture(3, 0xFFF0)) + msg(9, [0, 0, 9]),
    "profile-named-values": msg(7, profile(1)) + msg(4, fixture(0, 1)) + msg(8, [0, 0, 200]),
    "levels-off": msg(4, fixture(1, 20)) + msg(17, dimmer(4, 300)) + msg(10, [0xFF, 0, 0]),
    "dimmers": msg(17, dimmer(9, 300)) + msg(9, [0x2C, 0x01, 0x42]) + msg(18, [9, 7]),
    "playbacks": msg(19, playback(3, 2, 25, 4)) + msg(20, [3, 0]) + msg(21, [1, 0xFF]),
    "page": msg(2, [0, 2]) + msg(3, [6, 0, 0, 3, 4] + list(b"AAAABBBBCCCC")) + msg(12, [1, 1]),
    "page-short": msg(3, [3, 1, 0xFF, 9, 16, 65]) + msg(2, [0xFF]),
    "scene-standard": msg(5, [3, 5, 0x80, 0x80, 2, 0x19, 0, 0, 0, 0, 0, 0, 0xB1, 3, 0, 0x34, 0, 0x12, 0xFF]),
    "scene-extended": msg(16, [3, 2, 7, 0]) + msg(5, [0xA0, 9, 0xFF, 2, 0, 0xB0, 3, 1, 0x34, 0x12, 0xFF, 0, 0xFF]),
    "show": msg(22, show_list(2, 5, 3)) + msg(24, [2, 5, 1]) + msg(23, [7, 2]),
    "show-cut-short": msg(22, show_list(1, 0, 4)[:40]) + msg(24, [1, 0, 3]),
    "noise-and-lies": bytes([0xFF, 0x00, 0xA5, 6, 0, 0x80]) + msg(6, [1, 2, 3]) + bytes([0xA5, 0, 0]),
    "console-info": msg(16, [3, 2, 7, 0]) + msg(4, fixture(5, 200, True)),
}
for name, stream in seeds.items():
    for mode in range(3):
        with open("fuzz/corpus/receive/%s-%d" % (name, mode), "wb") as f:
            f.write(bytes([mode, 0x5A]) + stream)

# Speed search: op bytes (low two bits: 0 tick, 1 deliver the next op>>4 bytes, 2 line error).
def deliver(bs):
    return bytes([1 | (len(bs) << 4)]) + bytes(bs)

searches = {
    "answers-38400": deliver([0xA5, 0x01]),
    "answers-19200": bytes([0]) + deliver([0xA5, 0x01]) + bytes([0]),
    "answers-1200": bytes([0, 0]) + deliver([0x55, 0x25, 0x05]),
    "silent": bytes([0, 0, 0, 0]),
    "garbage-then-error": deliver([0x13, 0xA5]) + bytes([2, 6, 0]) + deliver([0x01]),
    "late-reply": bytes([0]) + deliver([0xA5]) + bytes([0]) + deliver([0x01, 0x55, 0x25]),
    "linked-then-messages": deliver([0xA5, 0x01]) + bytes([0]) + deliver([0xA5, 18, 2, 0, 1, 9]),
}
for name, ops in searches.items():
    with open("fuzz/corpus/speedsearch/" + name, "wb") as f:
        f.write(ops)

# Recordings: header (signature, version 2, start time), then records of type, time, length.
def varint(n):
    out = bytearray()
    while True:
        b = n & 0x7F
        n >>= 7
        out.append(b | (0x80 if n else 0))
        if not n:
            return bytes(out)

def record(kind, data=b"", delta=0):
    return bytes([kind]) + varint(delta) + varint(len(data)) + data

header = b"LVREC\r\n\x1a" + struct.pack("<Hq", 2, 1765000000000)
live = header + record(3, b"38400,n,8,1") + record(4)
recordings = {
    # Begun after the data load: the link-up at once, then what the program knew.
    "snapshot": live + record(5, msg(16, [3]) + msg(7, profile(1)) + msg(4, fixture(0, 1, True))
                              + msg(8, [0, 1, 200]) + msg(17, dimmer(2, 40)) + msg(18, [2, 9]))
    + record(1, msg(9, [1, 0, 7]), 1500),
    # Past the reader's read-ahead in records of one byte each.
    "many-small-records": live + record(1, b"B") * 70000,
}
for name, data in recordings.items():
    with open("fuzz/corpus/recording/" + name, "wb") as f:
        f.write(data)
