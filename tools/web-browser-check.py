#!/usr/bin/env python3
"""Drives headless Chromium through its remote debugging protocol against the program's web page
and checks that the page shows what the program's /api/state says, as the values change.

Usage: web-browser-check.py PAGE_URL CHROMIUM [--screenshot FILE]

Only the Python standard library: a small WebSocket client speaks to the browser.
"""
import base64
import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import urllib.request


class Socket:
    """A WebSocket client, just enough for the debugging protocol."""

    def __init__(self, url):
        assert url.startswith("ws://")
        host_port, path = url[5:].split("/", 1)
        host, port = host_port.rsplit(":", 1)
        self.s = socket.create_connection((host, int(port)), timeout=30)
        key = base64.b64encode(os.urandom(16)).decode()
        self.s.sendall((f"GET /{path} HTTP/1.1\r\nHost: {host_port}\r\nUpgrade: websocket\r\n"
                        f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                        "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        head = b""
        while b"\r\n\r\n" not in head:
            head += self.s.recv(1)
        assert b" 101 " in head.split(b"\r\n")[0], head
        self.next_id = 0
        self.events = []

    def _read(self, n):
        data = b""
        while len(data) < n:
            chunk = self.s.recv(n - len(data))
            if not chunk:
                raise ConnectionError("browser went away")
            data += chunk
        return data

    def send(self, text):
        payload = text.encode()
        mask = os.urandom(4)
        n = len(payload)
        head = bytes([0x81])
        if n < 126:
            head += bytes([0x80 | n])
        elif n < 65536:
            head += bytes([0x80 | 126]) + struct.pack(">H", n)
        else:
            head += bytes([0x80 | 127]) + struct.pack(">Q", n)
        self.s.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))

    def receive(self):
        message = b""
        while True:
            b0, b1 = self._read(2)
            n = b1 & 0x7F
            if n == 126:
                n = struct.unpack(">H", self._read(2))[0]
            elif n == 127:
                n = struct.unpack(">Q", self._read(8))[0]
            message += self._read(n)
            if b0 & 0x80:
                return json.loads(message)

    def call(self, method, **params):
        self.next_id += 1
        self.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            m = self.receive()
            if m.get("id") == self.next_id:
                if "error" in m:
                    raise RuntimeError(f"{method}: {m['error']}")
                return m.get("result", {})
            self.events.append(m)

    def evaluate(self, expression):
        r = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        return r["result"].get("value")


# What the page shows, read from its DOM.
READ_DOM = """(() => {
  const text = (sel) => [...document.querySelectorAll(sel)].map((e) => e.textContent);
  return {
    link: document.getElementById('link').textContent,
    fixtures: [...document.querySelectorAll('#fixtures article')].map((a) => ({
      n: Number(a.dataset.n), title: a.querySelector('h3').firstChild.textContent,
      name: a.querySelector('h3 .name').textContent,
      channels: text.call(null, '#fixtures article[data-n="' + a.dataset.n + '"] dt'),
      values: text.call(null, '#fixtures article[data-n="' + a.dataset.n + '"] button.value')})),
    dimmers: [...document.querySelectorAll('#dimmers tr')].map((r) =>
      [...r.children].map((c) => c.textContent)),
    faders: [...document.querySelectorAll('#playbacks .fader')].map((f) =>
      [...f.children].slice(1).map((c) => c.textContent)),
    page: document.getElementById('page-caption').textContent,
    entries: text('#page button.entry'),
    show: document.getElementById('show-caption').textContent,
    steps: [...document.querySelectorAll('#show tr')].map((r) =>
      [...r.children].map((c) => c.textContent)),
  };
})()"""


def expected(state):
    """The same picture, as /api/state says it should be."""
    return {
        "link": state["link"]["text"],
        "fixtures": [{"n": f["n"], "title": f["title"], "name": f["name"],
                      "channels": [c["name"] for c in f["channels"]],
                      "values": [c["text"] for c in f["channels"]]} for f in state["fixtures"]],
        "dimmers": [[f"{d['n']} - {d['name']}", str(d["fader"]), str(d["page"]),
                     str(d["level"]), d["percent"]] for d in state["dimmers"]],
        "faders": [[p.get("memory", ""), p.get("name", ""), p.get("percent", "")]
                   for p in state["playbacks"]],
        "page": state["page"]["caption"],
        "entries": [e["name"] for e in state["page"]["entries"]] if state["page"]["shown"] else [],
        "show": state["show"]["caption"],
        "steps": [[">" if s["n"] == state["marker"] else "", str(s["n"]), s["text"]]
                  for s in state["show"]["steps"]],
    }


def fetch_state(page_url):
    with urllib.request.urlopen(page_url.rstrip("/") + "/api/state", timeout=5) as r:
        return json.loads(r.read())


def main():
    page_url, chromium = sys.argv[1], sys.argv[2]
    screenshot = sys.argv[sys.argv.index("--screenshot") + 1] if "--screenshot" in sys.argv else None
    profile = tempfile.mkdtemp(prefix="lv-chromium-")
    browser = subprocess.Popen(
        [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
         "--no-first-run", "--disable-background-networking", "--disable-component-update",
         "--disable-sync", f"--user-data-dir={profile}", "--remote-debugging-port=0",
         "--remote-allow-origins=*", "about:blank"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    failures = []
    try:
        port_file = os.path.join(profile, "DevToolsActivePort")
        for _ in range(300):
            if os.path.exists(port_file) and open(port_file).read().count("\n") >= 1:
                break
            time.sleep(0.1)
        port = open(port_file).read().split("\n")[0]
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=5) as r:
            target = next(t for t in json.loads(r.read()) if t["type"] == "page")
        cdp = Socket(target["webSocketDebuggerUrl"])
        cdp.call("Runtime.enable")
        cdp.call("Log.enable")
        # A phone held upright.
        cdp.call("Emulation.setDeviceMetricsOverride", width=390, height=844,
                 deviceScaleFactor=1, mobile=True)
        started = time.monotonic()
        cdp.call("Page.navigate", url=page_url)
        while not cdp.evaluate("document.querySelectorAll('#fixtures article').length > 0"):
            if time.monotonic() - started > 10:
                raise RuntimeError("the page never showed a fixture")
            time.sleep(0.02)
        shown_ms = (time.monotonic() - started) * 1000
        load = cdp.evaluate("performance.getEntriesByType('navigation')[0].loadEventEnd")
        print(f"page loaded in {load:.0f} ms, first values shown after {shown_ms:.0f} ms")
        if load > 1000:
            failures.append(f"the page took {load:.0f} ms to load")

        # The DOM must come to show what the program holds, round after round, as it changes.
        seen = []
        for round_ in range(4):
            deadline = time.monotonic() + 3
            while True:
                dom = cdp.evaluate(READ_DOM)
                want = expected(fetch_state(page_url))
                if dom == want:
                    break
                if time.monotonic() > deadline:
                    for key in want:
                        if dom.get(key) != want[key]:
                            failures.append(f"round {round_}: {key}: page {str(dom.get(key))[:300]}"
                                            f" != state {str(want[key])[:300]}")
                    break
            values = [v for f in dom["fixtures"] for v in f["values"]] + \
                     [d[3] for d in dom["dimmers"]]
            seen.append(values)
            print(f"round {round_}: {len(dom['fixtures'])} fixtures, {len(dom['dimmers'])} "
                  f"dimmers, link '{dom['link']}', page '{dom['page']}', show '{dom['show']}'")
            time.sleep(1.5)
        if not dom["fixtures"] or not dom["dimmers"] or dom["link"] != "Connected":
            failures.append("the page shows no console: " + json.dumps(dom)[:300])
        if all(v == seen[0] for v in seen):
            failures.append("no value changed on the page between the rounds")
        errors = [e for e in cdp.events if e.get("method") == "Log.entryAdded"
                  and e["params"]["entry"]["level"] == "error"]
        errors += [e for e in cdp.events if e.get("method") == "Runtime.exceptionThrown"]
        if errors:
            failures.append("the browser reported errors: " + json.dumps(errors)[:500])
        if screenshot:
            shot = cdp.call("Page.captureScreenshot", format="png")
            with open(screenshot, "wb") as f:
                f.write(base64.b64decode(shot["data"]))
            print(f"screenshot: {screenshot}")
    finally:
        browser.terminate()
        try:
            browser.wait(10)
        except subprocess.TimeoutExpired:
            browser.kill()
        shutil.rmtree(profile, ignore_errors=True)
    for f in failures:
        print("FAILED:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
