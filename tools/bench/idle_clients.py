#!/usr/bin/env python3
"""Holds N idle connections open to 127.0.0.1:PORT (connected, no request sent), then
times one new client's GET of PATH. Prints the seconds it took and how many of the idle
connections were still open, or fails when the new client got no 200."""
import socket
import sys
import time


def main(port, count, path):
    idle = []
    for _ in range(count):
        s = socket.create_connection(("127.0.0.1", port), timeout=10)
        idle.append(s)
    time.sleep(0.5)  # let the server take them all in
    start = time.monotonic()
    with socket.create_connection(("127.0.0.1", port), timeout=10) as c:
        c.sendall(f"GET {path} HTTP/1.0\r\nUser-Agent: ZRVSAVER\r\n\r\n".encode())
        reply = b""
        while chunk := c.recv(65536):
            reply += chunk
    elapsed = time.monotonic() - start
    still_open = 0
    for s in idle:
        s.setblocking(False)
        try:
            still_open += s.recv(1) != b""  # b"": the server closed it
        except BlockingIOError:
            still_open += 1
        except OSError:
            pass
        s.close()
    status = reply.split(b"\r\n", 1)[0].decode(errors="replace")
    print(f"{elapsed:.4f} {still_open} {status}")
    return 0 if b" 200 " in reply[:20] else 1


if __name__ == "__main__":
    sys.exit(main(int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]))
