#!/usr/bin/env python3
"""A 2 KB page from the web folder under ApacheBench, the program's web
server (web_server_host under Wine) beside nginx serving the same file on
loopback in the same run, with 1 and 16 concurrent clients.

Usage: web_ab_bench.py --wine WINE_EXEC --host web_server_host.exe
"""
import argparse
import os
import random
import re
import signal
import socket
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "system"))
from web_host import Host, write_web_folder  # noqa: E402

REQUESTS = 2000


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_nginx(root, folder, certificate=None, key=None):
    """nginx serving `root`, over TLS with the given PEM files when there are any."""
    port = free_port()
    tls = f"ssl;\n    ssl_certificate {certificate};\n    ssl_certificate_key {key}" if certificate else ""
    config = os.path.join(folder, "nginx.conf")
    with open(config, "w") as f:
        f.write(f"""daemon off;
master_process off;
worker_processes 1;
pid {folder}/nginx.pid;
error_log {folder}/error.log;
events {{ worker_connections 1024; }}
http {{
  access_log off;
  client_body_temp_path {folder};
  proxy_temp_path {folder};
  fastcgi_temp_path {folder};
  uwsgi_temp_path {folder};
  scgi_temp_path {folder};
  server {{
    listen 127.0.0.1:{port} {tls};
    root {root};
  }}
}}
""")
    process = subprocess.Popen(["nginx", "-c", config, "-p", folder], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.1).close()
            return process, port
        except OSError:
            if process.poll() is not None:
                raise RuntimeError("nginx did not start")
            subprocess.run(["sleep", "0.05"])
    raise RuntimeError("nginx did not listen")


def ab(port, path, clients):
    result = subprocess.run(["ab", "-q", "-n", str(REQUESTS), "-c", str(clients), f"http://127.0.0.1:{port}/{path}"],
                            capture_output=True, text=True, timeout=300)
    rate = re.search(r"Requests per second:\s+([\d.]+)", result.stdout)
    failed = re.search(r"Failed requests:\s+(\d+)", result.stdout)
    if not rate:
        raise RuntimeError(result.stdout + result.stderr)
    return float(rate.group(1)), int(failed.group(1)) if failed else -1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--host", required=True)
    args, _ = parser.parse_known_args()
    random.seed(3)
    page = bytes(random.choice(b"abcdefghij <>\n") for _ in range(2048))
    root = write_web_folder(args.host, {"page2k.html": page})
    host = Host(args.wine, args.host, "--port", "0", "--cameras", "1", "--backlog", "256")
    with tempfile.TemporaryDirectory() as folder:
        nginx, nginx_port = start_nginx(root, folder)
        try:
            print(f"load average before: {os.getloadavg()[0]:.2f}")
            for clients in (1, 16):
                ours, ours_failed = ab(host.port, "page2k.html", clients)
                theirs, theirs_failed = ab(nginx_port, "page2k.html", clients)
                print(f"2 KB page, ab -n {REQUESTS} -c {clients}: ours {ours:.0f}/s (failed {ours_failed}), "
                      f"nginx {theirs:.0f}/s (failed {theirs_failed}), ours/nginx {100 * ours / theirs:.1f} %")
            print(f"load average after: {os.getloadavg()[0]:.2f}")
        finally:
            nginx.send_signal(signal.SIGQUIT)
            try:
                nginx.wait(timeout=10)
            except subprocess.TimeoutExpired:
                nginx.kill()
                nginx.wait()
            host.stop()


if __name__ == "__main__":
    main()
