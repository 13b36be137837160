#!/usr/bin/env python3
"""The web server over HTTPS under Wine, talked to from Linux by curl,
openssl and Python's ssl: the certificate made on first use and kept, the
user's own PEM files, refused protocols and suites, pages and pictures over
TLS (streams: the live page's test), plain HTTP redirected to it, and bad
input that must not stop the server. (A damaged PEM file is refused where
the user chooses it: the dialog's test.)"""
import os
import re
import socket
import ssl
import subprocess
import tempfile
import time

from systest import Checks, arguments
from web_host import Host, connect, write_web_folder


def curl(cacert, url, *more):
    return subprocess.run(["curl", "-s", "--cacert", cacert, "-w", "%{http_code} %{content_type}", *more, url],
                          capture_output=True, timeout=30)


def openssl(*words):
    return subprocess.run(["openssl", *words], input=b"", capture_output=True, timeout=30)


def s_client(port, cacert, *options):
    """The suite of a handshake with these options when it completes and is verified; "" otherwise."""
    done = openssl("s_client", "-connect", f"127.0.0.1:{port}", "-CAfile", cacert, "-servername", "localhost",
                   *options).stdout.decode()
    suite = re.search(r"Cipher is (\S+)", done)
    return suite.group(1) if suite and suite.group(1) != "(NONE)" and "Verify return code: 0 (ok)" in done else ""


def closed_by_server(sock, seconds):
    """Reads until the server closes; True when it did within `seconds`."""
    sock.settimeout(seconds)
    try:
        while sock.recv(4096):
            pass
    except ConnectionResetError:
        pass
    except socket.timeout:
        return False
    return True


def client_hello():
    """The first flight a real client sends, taken from an in-memory handshake."""
    incoming, outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
    tls = ssl.create_default_context().wrap_bio(incoming, outgoing, server_hostname="localhost")
    try:
        tls.do_handshake()
    except ssl.SSLWantReadError:
        pass
    return outgoing.read()


def main():
    args = arguments("wine", "host")
    check = Checks("https_system")
    write_web_folder(args.host, {"index.html": b"<HTML>home</HTML>"})
    work = tempfile.mkdtemp()
    base = os.path.join(work, "Vorrandale")
    to_windows = lambda path: "Z:" + path.replace("/", "\\")
    windows_base = to_windows(base)
    made_cert, made_key = base + "-certificate.pem", base + "-key.pem"

    host = Host(args.wine, args.host, "--port", "0", "--cameras", "2", "--fps", "10", "--tls", windows_base,
                "--redirect-port", "0")
    port = host.port
    try:
        made = open(made_cert, "rb").read(), open(made_key, "rb").read()
        names = openssl("x509", "-in", made_cert, "-noout", "-ext", "subjectAltName", "-enddate").stdout.decode()
        check("DNS:localhost" in names and "IP Address:127.0.0.1" in names,
              f"the made certificate names localhost and 127.0.0.1 ({names.strip()})")
        fingerprint = openssl("x509", "-in", made_cert, "-noout", "-fingerprint", "-sha256").stdout.decode()
        check(host.command("tls").split("=")[1] == fingerprint.strip().split("=")[1],
              "the server tells the made certificate's SHA-256 fingerprint")

        home, page_type = b"<HTML>home</HTML>".__eq__, b"200 text/html; charset=UTF-8"
        fetches = [(f"https://{address}:{port}/", home, page_type) for address in ("localhost", "127.0.0.1")]
        fetches += [(f"https://localhost:{port}/$CAM1", lambda body: body[:2] == b"\xff\xd8", b"200 image/jpeg"),
                    (f"http://localhost:{host.redirect}/", home, page_type)]
        for url, body_ok, status in fetches:
            got = curl(made_cert, url, "-L").stdout
            check(got.endswith(status) and body_ok(got[:-len(status)]),
                  f"curl --cacert -L fetches {url} ({got[-60:]!r})")
        moved = curl(made_cert, f"http://127.0.0.1:{host.redirect}/$CAM1?x=1", "-D", "-").stdout.decode()
        check(moved.startswith("HTTP/1.0 301 ") and "Content-Length: 0\r\n" in moved and
              f"Location: https://127.0.0.1:{port}/$CAM1?x=1\r\n" in moved, f"plain HTTP goes on to HTTPS ({moved!r})")
        refused = [("-tls1", "-cipher", "DEFAULT@SECLEVEL=0"), ("-tls1_1", "-cipher", "DEFAULT@SECLEVEL=0"),
                   ("-tls1_2", "-cipher", "AES128-GCM-SHA256"), ("-tls1_2", "-cipher", "ECDHE-ECDSA-AES128-SHA256"),
                   ("-tls1_2", "-cipher", "ECDHE-ECDSA-AES128-SHA:@SECLEVEL=0")]
        for options in refused:
            check(not s_client(port, made_cert, *options), f"openssl s_client {' '.join(options)} is refused")
        suite = s_client(port, made_cert, "-tls1_2")
        check(re.fullmatch(r"ECDHE-\w+-(AES\d+-GCM-SHA\d+|CHACHA20-POLY1305)", suite),
              f"openssl s_client -tls1_2 is verified and served a forward-secret AEAD suite ({suite})")

        before = host.resources()
        with connect(port) as plain:
            plain.sendall(b"GET / HTTP/1.0\r\n\r\n")
            plain.settimeout(10)
            answer = plain.recv(100)
            check(answer in (b"",) or answer[:1] == b"\x15", f"plain HTTP on the HTTPS port gets no page ({answer!r})")
        hello = client_hello()
        with connect(port) as broken:
            broken.sendall(hello[:5] + bytes(reversed(hello[5:])))
            check(closed_by_server(broken, 10), "a malformed ClientHello is answered by closing")
        half_open = []
        for _ in range(300):
            sock = connect(port)
            sock.sendall(hello[: len(hello) // 2])
            half_open.append(sock)
        with ssl.create_default_context(cafile=made_cert).wrap_socket(connect(port), server_hostname="localhost") as cut:
            with socket.socket(fileno=os.dup(cut.fileno())) as raw:
                raw.sendall(b"\x17\x03\x03\x40\x00" + b"\x01" * 100)
        check(curl(made_cert, f"https://localhost:{port}/").stdout.startswith(b"<HTML>home</HTML>"),
              "with 300 half-open handshakes and a record cut short the server still serves")
        stalled = connect(port)
        stalled.sendall(hello[:20])
        started = time.time()
        check(closed_by_server(stalled, 40), f"a handshake stalled midway is cut ({time.time() - started:.0f} s)")
        stalled.close()
        for sock in half_open:
            sock.close()
        status = host.wait_clients(0, 30)
        after = host.resources()
        check(status["clients"] == 0 and after["handles"] <= before["handles"] + 4 and
              after["heap"] < before["heap"] + 4 * 1024 * 1024,
              f"every connection is gone and memory returns ({before} -> {after})")
    finally:
        host.stop()

    own_cert, own_key = os.path.join(work, "own.pem"), os.path.join(work, "own.key")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30", "-subj", "/CN=localhost",
            "-addext", "subjectAltName=DNS:localhost", "-keyout", own_key, "-out", own_cert)
    own = ("--tls-cert", to_windows(own_cert), "--tls-key", to_windows(own_key))
    for cacert, more, what in ((made_cert, (), "the made certificate, kept,"), (own_cert, own, "the user's RSA one")):
        host = Host(args.wine, args.host, "--port", "0", "--tls", windows_base, *more)
        try:
            page = curl(cacert, f"https://localhost:{host.port}/").stdout
            check(page.startswith(b"<HTML>home</HTML>200"), f"started again, {what} serves ({page!r})")
        finally:
            host.stop()
    check((open(made_cert, "rb").read(), open(made_key, "rb").read()) == made,
          "the made certificate and key are kept and used again")

    return check.result()


if __name__ == "__main__":
    raise SystemExit(main())
