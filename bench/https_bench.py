#!/usr/bin/env python3
"""HTTPS of the web server (web_server_host under Wine) side by side with
nginx serving the same 2 KB file with the same certificate: full TLS
handshakes per second (each a new connection fetching the file) with 1 and
16 clients; then 16 viewers of $STREAM1 (one 640x480 camera at 10
frames/s) over TLS and over plain HTTP, and the program's CPU for each.

Usage: https_bench.py --wine WINE_EXEC --host web_server_host.exe
"""
import argparse
import os
import signal
import socket
import ssl
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "system"))
from live_stream_bench import measure  # noqa: E402
from web_ab_bench import start_nginx  # noqa: E402
from web_host import Host, write_web_folder  # noqa: E402

SECONDS = 8


def handshakes(port, clients, context):
    """Connections per second, each a full handshake and one 2 KB page."""
    done, failed, deadline = [0], [0], time.time() + SECONDS

    def client():
        while time.time() < deadline:
            try:
                with context.wrap_socket(socket.create_connection(("127.0.0.1", port), timeout=10),
                                         server_hostname="localhost") as tls:
                    tls.sendall(b"GET /page2k.html HTTP/1.0\r\n\r\n")
                    body = b""
                    while chunk := tls.recv(65536):
                        body += chunk
                done[0] += body.startswith(b"HTTP/1.") and len(body) > 2048
            except (OSError, ssl.SSLError):
                failed[0] += 1

    threads = [threading.Thread(target=client) for _ in range(clients)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return done[0] / SECONDS, failed[0]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--host", required=True)
    args, _ = parser.parse_known_args()
    folder = tempfile.mkdtemp()
    root = os.path.abspath(write_web_folder(args.host, {"page2k.html": b"p" * 2048}))
    base = os.path.join(folder, "bench")
    tls_host = ("--tls", "Z:" + base.replace("/", "\\"))
    host = Host(args.wine, args.host, "--port", "0", "--cameras", "1", "--fps", "10", "--backlog", "256", *tls_host)
    context = ssl.create_default_context(cafile=base + "-certificate.pem")
    nginx, nginx_port = start_nginx(root, folder, base + "-certificate.pem", base + "-key.pem")
    try:
        for clients in (1, 16):
            ours, ours_failed = handshakes(host.port, clients, context)
            theirs, theirs_failed = handshakes(nginx_port, clients, context)
            print(f"{clients:2d} clients: handshakes/s ours {ours:.0f} (failed {ours_failed}), "
                  f"nginx {theirs:.0f} (failed {theirs_failed}), ours/nginx {100 * ours / theirs:.1f} %")
        tls_cpu, tls_rates, tls_bad, load = measure(host, 16, context)
    finally:
        host.stop()
        nginx.send_signal(signal.SIGQUIT)
        nginx.wait(timeout=10)
    plain = Host(args.wine, args.host, "--port", "0", "--cameras", "1", "--fps", "10")
    try:
        plain_cpu, plain_rates, plain_bad, plain_load = measure(plain, 16)
    finally:
        plain.stop()
    print(f"16 viewers over TLS: program CPU {tls_cpu:.1f} % of a core, pictures/s per viewer min "
          f"{min(tls_rates):.1f}, bad parts {tls_bad}, load {load:.2f}")
    print(f"16 viewers plain:    program CPU {plain_cpu:.1f} % of a core, pictures/s per viewer min "
          f"{min(plain_rates):.1f}, bad parts {plain_bad}, load {plain_load:.2f}")
    print(f"TLS costs {tls_cpu / plain_cpu:.2f} x the CPU of plain HTTP (goal at most 1.5 x)")


if __name__ == "__main__":
    main()
