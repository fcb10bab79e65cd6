#!/usr/bin/env python3
"""Keeps N live-feed clients on the program's web page for a while and says how they fared.

Usage: web-load-clients.py PORT CLIENTS SECONDS

Connects only to 127.0.0.1, at most 32 clients, for at most 600 seconds. Prints one JSON line:
clients that got their snapshot, change messages and bytes received, how long each change message
took from the program's taking in its oldest change to the client (its "since"; p99 and max over
every client), and the longest a client went without a change message.
"""
import asyncio
import base64
import json
import re
import os
import struct
import sys
import time


SINCE = re.compile(rb'"since":(\d+)')


async def client(port, seconds, gaps, lags, totals):
    reader, writer = await asyncio.open_connection("127.0.0.1", port)
    key = base64.b64encode(os.urandom(16)).decode()
    writer.write((f"GET /live HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nUpgrade: websocket\r\n"
                  f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                  "Sec-WebSocket-Version: 13\r\n\r\n").encode())
    await writer.drain()
    head = await reader.readuntil(b"\r\n\r\n")
    if b" 101 " not in head.split(b"\r\n")[0]:
        return
    end = time.monotonic() + seconds
    last = None
    got_snapshot = False
    try:
        while True:
            left = end - time.monotonic()
            if left <= 0:
                break
            b0, b1 = await asyncio.wait_for(reader.readexactly(2), left)
            n = b1 & 0x7F
            if n == 126:
                n = struct.unpack(">H", await reader.readexactly(2))[0]
            elif n == 127:
                n = struct.unpack(">Q", await reader.readexactly(8))[0]
            payload = await reader.readexactly(n)
            opcode = b0 & 0x0F
            if opcode == 9:  # ping: answer it
                mask = os.urandom(4)
                writer.write(bytes([0x8A, 0x80 | n]) + mask +
                             bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))
                continue
            if opcode == 8:
                break
            now = time.monotonic()
            totals["bytes"] += n
            if payload.startswith(b'{"type":"snapshot"'):
                got_snapshot = True
            else:
                totals["changes"] += 1
                since = SINCE.search(payload, 0, 64)
                if since:
                    lags.append(time.time() * 1000 - int(since.group(1)))
                if last is not None:
                    gaps.append(now - last)
            last = now
    except (asyncio.TimeoutError, asyncio.IncompleteReadError, ConnectionError):
        pass
    finally:
        totals["snapshots"] += got_snapshot
        writer.close()


async def main():
    port, count, seconds = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
    count = max(0, min(count, 32))
    seconds = max(1.0, min(seconds, 600.0))
    gaps, lags = [], []
    totals = {"snapshots": 0, "changes": 0, "bytes": 0}
    await asyncio.gather(*(client(port, seconds, gaps, lags, totals) for _ in range(count)))
    gaps.sort()
    lags.sort()
    p99 = lambda v: v[int(len(v) * 0.99)] if v else 0
    print(json.dumps({**totals, "clients": count,
                      "lag_p99_ms": round(p99(lags), 1), "lag_max_ms": round(lags[-1] if lags else 0, 1),
                      "gap_p99_ms": round(p99(gaps) * 1000, 1),
                      "gap_max_ms": round((gaps[-1] if gaps else 0) * 1000, 1)}))


asyncio.run(main())
