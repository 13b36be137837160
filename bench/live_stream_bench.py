#!/usr/bin/env python3
"""$STREAM1 of one 640x480 camera at 10 frames/s (web_server_host under Wine)
with 0, 1 and 16 viewers: pictures per second each viewer receives and the
program's CPU, from /proc, over the same stretch of time.

Usage: live_stream_bench.py --wine WINE_EXEC --host web_server_host.exe
"""
import argparse
import os
import re
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "system"))
from web_host import Host  # noqa: E402

SECONDS = 10
PART = re.compile(rb"--vorrandale-live-5f3c1a\r\nContent-Type: image/jpeg\r\nContent-Length: (\d+)\r\n\r\n")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Viewer(threading.Thread):
    def __init__(self, port, tls=None):
        super().__init__(daemon=True)
        self.port = port
        self.tls = tls
        self.times = []
        self.bad = 0
        self.stop = False

    def run(self):
        raw = socket.create_connection(("127.0.0.1", self.port), timeout=10)
        with (self.tls.wrap_socket(raw, server_hostname="localhost") if self.tls else raw) as s:
            s.sendall(b"GET /$STREAM1 HTTP/1.0\r\n\r\n")
            data = b""
            while b"\r\n\r\n" not in data:
                data += s.recv(65536)
            data = data.partition(b"\r\n\r\n")[2]
            while not self.stop:
                match = PART.match(data)
                if match and len(data) >= match.end() + int(match.group(1)) + 2:
                    end = match.end() + int(match.group(1))
                    self.bad += data[match.end():match.end() + 2] != b"\xff\xd8" or data[end:end + 2] != b"\r\n"
                    self.times.append(time.time())
                    data = data[end + 2:]
                    continue
                if data and not match and len(data) > 200:
                    self.bad += 1
                    return
                chunk = s.recv(1 << 20)
                if not chunk:
                    return
                data += chunk

    def rate(self, start, end):
        return sum(start <= t < end for t in self.times) / (end - start)


def measure(host, viewers, tls=None):
    threads = [Viewer(host.port, tls) for _ in range(viewers)]
    for t in threads:
        t.start()
    time.sleep(2)  # every viewer connected and fed
    load = os.getloadavg()[0]
    cpu0, t0 = cpu_seconds(host.process.pid), time.time()
    time.sleep(SECONDS)
    cpu1, t1 = cpu_seconds(host.process.pid), time.time()
    for t in threads:
        t.stop = True
    rates = [t.rate(t0, t1) for t in threads]
    bad = sum(t.bad for t in threads)
    for t in threads:
        t.join(5)
    return 100 * (cpu1 - cpu0) / (t1 - t0), rates, bad, load


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--host", required=True)
    args, _ = parser.parse_known_args()
    host = Host(args.wine, args.host, "--port", "0", "--cameras", "1", "--fps", "10")
    with open(f"/proc/{host.process.pid}/comm") as f:
        print(f"measuring process {host.process.pid} ({f.read().strip()})")
    try:
        results = {}
        for viewers in (0, 1, 16):
            cpu, rates, bad, load = measure(host, viewers)
            results[viewers] = cpu
            low = min(rates) if rates else 0
            print(f"{viewers:2d} viewers: program CPU {cpu:5.1f} % of a core, pictures/s per viewer "
                  f"min {low:.1f} max {max(rates) if rates else 0:.1f}, bad parts {bad}, load {load:.2f}")
            time.sleep(1)
        print(f"16 viewers cost {results[16] / results[1]:.2f} x one viewer "
              f"({results[16] - results[0]:.1f} % vs {results[1] - results[0]:.1f} % above the idle camera)")
        print(host.status())
    finally:
        host.stop()


if __name__ == "__main__":
    main()
