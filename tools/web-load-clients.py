#!/usr/bin/env python3
"""Keeps N live-feed clients on the program's web page for a while and says how they fared.

Usage: web-load-clients.py PORT CLIENTS SECONDS

Connects only to 127.0.0.1, at most 32 clients, for at most 600 seconds. Prints one JSON line:
clients that got their snapshot, change messages and bytes received, how long each change message
took from the program's taking in its oldest change to the client (its "since"; p99 and max over
every client), and the longest a client went without a change message.

The clients share one thread and a plain select loop, so that they take as little as possible of
the cores the program is measured on.
"""
import base64
import json
import os
import re
import selectors
import socket
import struct
import sys
import time


SINCE = re.compile(rb'"since":(\d+)')


class Client:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET /live HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n"
                           "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                           f"Sec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n")
                          .encode())
        self.sock.setblocking(False)
        self.buffer = b""
        self.upgraded = False
        self.got_snapshot = False
        self.last = None

    def frames(self):
        """The whole frames received so far, as (opcode, payload)."""
        if not self.upgraded:
            end = self.buffer.find(b"\r\n\r\n")
            if end < 0:
                return
            if b" 101 " not in self.buffer.split(b"\r\n", 1)[0]:
                raise ConnectionError("the upgrade was refused")
            self.buffer = self.buffer[end + 4:]
            self.upgraded = True
        while len(self.buffer) >= 2:
            b0, b1 = self.buffer[0], self.buffer[1]
            n, head = b1 & 0x7F, 2
            if n == 126:
                if len(self.buffer) < 4:
                    return
                n, head = struct.unpack(">H", self.buffer[2:4])[0], 4
            elif n == 127:
                if len(self.buffer) < 10:
                    return
                n, head = struct.unpack(">Q", self.buffer[2:10])[0], 10
            if len(self.buffer) < head + n:
                return
            payload = self.buffer[head:head + n]
            self.buffer = self.buffer[head + n:]
            yield b0 & 0x0F, payload

    def pong(self, payload):
        mask = os.urandom(4)
        self.sock.send(bytes([0x8A, 0x80 | len(payload)]) + mask +
                       bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))


def main():
    port, count, seconds = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
    count = max(0, min(count, 32))
    seconds = max(1.0, min(seconds, 600.0))
    gaps, lags = [], []
    totals = {"snapshots": 0, "changes": 0, "bytes": 0}
    selector = selectors.DefaultSelector()
    clients = []
    for _ in range(count):
        try:
            client = Client(port)
        except OSError:
            continue
        clients.append(client)
        selector.register(client.sock, selectors.EVENT_READ, client)
    end = time.monotonic() + seconds
    while selector.get_map() and time.monotonic() < end:
        for key, _ in selector.select(timeout=min(0.5, max(0.0, end - time.monotonic()))):
            client = key.data
            try:
                data = client.sock.recv(65536)
                if not data:
                    raise ConnectionError("closed")
                client.buffer += data
                for opcode, payload in client.frames():
                    if opcode == 9:  # ping: answer it
                        client.pong(payload)
                        continue
                    if opcode == 8:
                        raise ConnectionError("closed")
                    now = time.monotonic()
                    totals["bytes"] += len(payload)
                    if payload.startswith(b'{"type":"snapshot"'):
                        client.got_snapshot = True
                    else:
                        totals["changes"] += 1
                        since = SINCE.search(payload, 0, 64)
                        if since:
                            lags.append(time.time() * 1000 - int(since.group(1)))
                        if client.last is not None:
                            gaps.append(now - client.last)
                    client.last = now
            except BlockingIOError:
                continue
            except OSError:
                selector.unregister(client.sock)
    for client in clients:
        totals["snapshots"] += client.got_snapshot
        client.sock.close()
    gaps.sort()
    lags.sort()
    p99 = lambda v: v[int(len(v) * 0.99)] if v else 0
    print(json.dumps({**totals, "clients": count,
                      "lag_p99_ms": round(p99(lags), 1), "lag_max_ms": round(lags[-1] if lags else 0, 1),
                      "gap_p99_ms": round(p99(gaps) * 1000, 1),
                      "gap_max_ms": round((gaps[-1] if gaps else 0) * 1000, 1)}))


main()
