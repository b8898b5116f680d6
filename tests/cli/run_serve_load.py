#!/usr/bin/env python3
"""hlvpres serve under clients that hold connections: while 8 clients drip a header line at a
time without the token and 40 connect and send nothing, 200 concurrent requests are all answered,
the slowest within 1 s. A client sending endless header lines or an endless chunked body is
refused as it sends, and the server's memory stays bounded throughout. Talks to 127.0.0.1 only.

    run_serve_load.py HLVPRES
"""

import os
import select
import socket
import sys
import threading
import time

from run_serve import Server
from runner import SANITIZED, Runner

SLOW_CLIENTS = 8
IDLE_CLIENTS = 40
REQUESTS = 200
SLOWEST = 1.0
# What the server may grow by over the whole run, in MiB.
MEMORY_BOUND = 64


def rss_mib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def connect(port):
    return socket.create_connection(("127.0.0.1", port), timeout=10)


def drip(port, stop):
    """Sends a request line, then one header line every 0.3 s, never the token."""
    try:
        with connect(port) as s:
            s.sendall(b"GET /api/dialog?class=postgres HTTP/1.1\r\nHost: x\r\n")
            while not stop.is_set():
                s.sendall(b"X-Drip: 1\r\n")
                time.sleep(0.3)
    except OSError:
        pass  # the server closed the connection at its deadline


def flood(port, header, limit=256 << 20):
    """Sends `header` and then header lines (or body chunks) without end, up to `limit` bytes,
    until the server answers; returns the status line it answered with, and how much was sent."""
    sent = 0
    with connect(port) as s:
        s.sendall(header)
        chunk = b"X-Flood: " + b"a" * 55 + b"\r\n" if b"chunked" not in header else b"10000\r\n" + b"a" * 65536 + b"\r\n"
        block = chunk * (65536 // len(chunk) + 1)
        answer = b""
        try:
            while sent < limit and not answer:
                if select.select([s], [], [], 0)[0]:
                    answer = s.recv(4096)
                    break
                s.sendall(block)
                sent += len(block)
            answer = answer or s.recv(4096)
        except OSError:
            pass
    return answer.split(b"\r\n", 1)[0], sent


def main():
    r = Runner(os.path.abspath(sys.argv[1]))
    server = Server(r)
    pid = server.process.pid
    try:
        server.request("GET", "/api/dialog?class=postgres")  # the library is loaded before measuring
        before = rss_mib(pid)

        stop = threading.Event()
        slow = [threading.Thread(target=drip, args=(server.port, stop)) for _ in range(SLOW_CLIENTS)]
        for thread in slow:
            thread.start()
        idle = [connect(server.port) for _ in range(IDLE_CLIENTS)]
        time.sleep(0.5)

        times, failures = [], []
        start = threading.Barrier(REQUESTS)

        def one(index):
            path = "/api/gallery?group=file" if index % 2 else "/app.js"
            start.wait()
            began = time.monotonic()
            try:
                code, _, _ = server.request("GET", path)
                if code != 200:
                    failures.append(code)
            except OSError as e:
                failures.append(repr(e))
            times.append(time.monotonic() - began)

        workers = [threading.Thread(target=one, args=(i,)) for i in range(REQUESTS)]
        for thread in workers:
            thread.start()
        for thread in workers:
            thread.join(30)
        stop.set()
        for connection in idle:
            connection.close()
        for thread in slow:
            thread.join(10)
        slowest = max(times, default=float("inf"))
        print(f"{len(times)} requests, slowest {slowest:.3f} s, with {SLOW_CLIENTS} slow and {IDLE_CLIENTS} idle clients")
        r.check("starved", len(times) == REQUESTS and not failures, f"{len(times)} answered; failures {failures[:5]}")
        r.check("slowest", slowest < SLOWEST, f"the slowest request took {slowest:.3f} s")

        # Header lines without end, without the token: refused once the header passes its cap.
        status, sent = flood(server.port, b"GET / HTTP/1.1\r\nHost: x\r\n")
        r.check("endless header", status.startswith(b"HTTP/1.1 431") and sent < 8 << 20, (status, sent))
        # A chunked body without end, with the token: refused once past 1 MiB, not read whole.
        status, sent = flood(server.port, b"POST /api/convert?class=postgres HTTP/1.1\r\nHost: x\r\nX-Hlv-Token: "
                             + server.token.encode() + b"\r\nTransfer-Encoding: chunked\r\n\r\n")
        r.check("endless chunked body", status.startswith(b"HTTP/1.1 413") and sent < 16 << 20, (status, sent))

        after = rss_mib(pid)
        print(f"server memory {before:.1f} MiB before, {after:.1f} MiB after")
        if not SANITIZED:
            r.check("memory", after - before < MEMORY_BOUND, f"grew from {before:.1f} to {after:.1f} MiB")
        code, _, _ = server.request("GET", "/api/dialog?class=postgres")
        r.check("still serving", code == 200, code)
    finally:
        server.stop()
    return r.report()


if __name__ == "__main__":
    sys.exit(main())
