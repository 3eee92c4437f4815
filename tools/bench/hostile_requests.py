#!/usr/bin/env python3
"""Sends the hostile requests of the serve tests (service/tests/serve_http_tests.cpp) to
servers on 127.0.0.1 and prints, per request and server, the status of each answer (a
second answer means a request smuggled through). Usage: hostile_requests.py NAME=PORT..."""
import socket
import sys

FEED = "/RirozIrid/ssaver.dat"
HIDDEN = f"GET {FEED} HTTP/1.1\r\nHost: a\r\n\r\n"
CASES = [
    ("the saver's request", f"GET {FEED} HTTP/1.0\r\nUser-Agent: ZRVSAVER\r\n\r\n"),
    ("two Content-Length", f"GET {FEED} HTTP/1.1\r\nHost: a\r\nContent-Length: 0\r\nContent-Length: 40\r\n\r\n" + HIDDEN),
    ("space before the colon", f"GET {FEED} HTTP/1.1\r\nHost: a\r\nContent-Length : 40\r\n\r\n" + HIDDEN),
    ("Transfer-Encoding and Content-Length", f"GET {FEED} HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n" + HIDDEN),
    ("Transfer-Encoding not chunked", f"GET {FEED} HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: gzip\r\n\r\n" + HIDDEN),
    ("Transfer-Encoding in HTTP/1.0", f"GET {FEED} HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"),
    ("bare CR in a header", f"GET {FEED} HTTP/1.1\r\nHost: a\rX: b\r\n\r\n"),
    ("bare LF ending a header", f"GET {FEED} HTTP/1.1\r\nHost: a\nX: b\r\n\r\n"),
    ("obs-fold", f"GET {FEED} HTTP/1.1\r\nHost: a\r\nX-A: b\r\n c\r\n\r\n"),
    ("NUL in the path", "GET /Riroz\0Irid/ssaver.dat HTTP/1.0\r\n\r\n"),
    ("encoded NUL in the path", "GET /RirozIrid%00/ssaver.dat HTTP/1.0\r\n\r\n"),
    ("bad escape in the path", "GET /RirozIrid/ssaver.dat%zz HTTP/1.0\r\n\r\n"),
    ("HTTP/1.1 without Host", f"GET {FEED} HTTP/1.1\r\n\r\n"),
    ("two Host", f"GET {FEED} HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n"),
    ("bad Content-Length", f"GET {FEED} HTTP/1.1\r\nHost: a\r\nContent-Length: 1x\r\n\r\n"),
    ("negative Content-Length", f"GET {FEED} HTTP/1.1\r\nHost: a\r\nContent-Length: -1\r\n\r\n"),
    ("not a path", "GET RirozIrid/ssaver.dat HTTP/1.0\r\n\r\n"),
    ("two spaces", f"GET  {FEED} HTTP/1.0\r\n\r\n"),
    ("HTTP/2.0 in text", f"GET {FEED} HTTP/2.0\r\n\r\n"),
    ("TLS hello", "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n"),
    ("request line too long", "GET /" + "a" * 5000 + " HTTP/1.0\r\n\r\n"),
    ("head too large", f"GET {FEED} HTTP/1.0\r\n" + "X" * 200 + ": " + "a" * 9000 + "\r\n\r\n"),
    ("body too large", f"GET {FEED} HTTP/1.1\r\nHost: a\r\nContent-Length: 1025\r\n\r\n"),
    ("chunked body too large", f"GET {FEED} HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n800\r\n" + "b" * 2048 + "\r\n0\r\n\r\n"),
    ("request inside a body", f"GET /healthz HTTP/1.1\r\nHost: a\r\nContent-Length: {len(HIDDEN)}\r\n\r\n" + HIDDEN),
]


def answers(port, request):
    with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
        s.sendall(request.encode("latin-1"))
        reply = b""
        try:
            while chunk := s.recv(65536):
                reply += chunk
        except (socket.timeout, ConnectionResetError):
            pass
    statuses = [line.split(b" ")[1].decode() for line in reply.split(b"\r\n")
                if line.startswith(b"HTTP/1.") and len(line.split(b" ")) > 1]
    feed = " +feed" if b"Active tropical cyclones" in reply else ""
    return (" ".join(statuses) or "closed") + feed


def main(servers):
    ports = [(name, int(port)) for name, port in (s.split("=") for s in servers)]
    print(f"{'request':38}" + "".join(f"{name:>22}" for name, _ in ports))
    for what, request in CASES:
        print(f"{what:38}" + "".join(f"{answers(port, request):>22}" for _, port in ports))


if __name__ == "__main__":
    main(sys.argv[1:])
