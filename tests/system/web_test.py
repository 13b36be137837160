#!/usr/bin/env python3
"""The web server under Wine, talked to from Linux by curl, ffprobe and raw
sockets: exact responses, cameras, login, timeouts, load and faults."""
import base64
import os
import random
import select
import socket
import subprocess
import sys
import tempfile
import threading
import time
from concurrent.futures import ThreadPoolExecutor

from systest import Checks, arguments
from web_host import (LOGIN, NOT_FOUND, Host, connect, exchange, get, read_all, readable, text_page,
                      write_web_folder)

COUNT = text_page(b"<HTML><BODY>3</BODY></HTML>")


def main():
    args = arguments("wine", "host")
    check = Checks("web_system")

    random.seed(5)
    page = bytes(random.choice(b"abcdefghij <>\n") for _ in range(2048))
    big = bytes(random.choice(b"klmnopqrst <>\n") for _ in range(10000))
    write_web_folder(args.host, {"index.html": b"<HTML>home</HTML>", "page2k.html": page, "big.html": big})
    started = time.time()
    host = Host(args.wine, args.host, "--port", "0", "--cameras", "3")
    port = host.port
    url = f"http://127.0.0.1:{port}/"
    try:
        # Exact responses.
        for path in (b"$CAM0", b"$CAM-1", b"$CAMx", b"$CAM4", b"$CAM", b"nothing.html"):
            check(get(port, path) == NOT_FOUND, f"/{path.decode()} gives the exact 404")
        check(get(port, b"") == text_page(b"<HTML>home</HTML>"), "/ gives the folder's index.html")
        check(exchange(port, b"POST /$COUNT HTTP/1.0\r\n\r\n") == NOT_FOUND, "POST gives the exact 404")
        check(get(port, b"$COUNT") == COUNT, "$COUNT gives the exact page")
        curl = subprocess.run(["curl", "-s", "-D", "-", url + "$COUNT"], capture_output=True, timeout=20)
        head, _, body = curl.stdout.partition(b"\r\n\r\n")
        check(body == b"<HTML><BODY>3</BODY></HTML>" and len(body) == 27 and b"Content-Length: 27" in head,
              f"curl: $COUNT with three cameras has a body of 27 bytes ({body!r})")

        # Camera pictures, decoded by ffmpeg.
        with tempfile.TemporaryDirectory() as folder:
            jpeg = os.path.join(folder, "cam1.jpg")
            curl = subprocess.run(["curl", "-s", "-o", jpeg, "-w", "%{http_code} %{content_type}", url + "$CAM1"],
                                  capture_output=True, text=True, timeout=20)
            check(curl.stdout == "200 image/jpeg", f"curl: $CAM1 is a JPEG ({curl.stdout})")
            probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=codec_name,width,height",
                                    "-of", "csv=p=0", jpeg], capture_output=True, text=True, timeout=20)
            check(probe.stdout.strip() == "mjpeg,640,480", f"ffprobe: $CAM1 is 640x480 ({probe.stdout.strip()})")
            decode = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-i", jpeg, "-f", "null", "-"],
                                    capture_output=True, text=True, timeout=20)
            check(decode.returncode == 0 and decode.stderr == "", f"ffmpeg decodes $CAM1 cleanly {decode.stderr!r}")
            with open(jpeg, "rb") as f:
                cam1 = f.read()
        raw1 = get(port, b"$CAM1")
        check(raw1.startswith(b"HTTP/1.0 200 OK\r\nCache-Control: no-cache\r\nContent-Type: image/jpeg\r\n"
                              b"Content-Length: %d\r\n\r\n\xff\xd8" % len(cam1)) and raw1.endswith(cam1),
              "$CAM1 headers and picture go out as one response")
        cam2 = subprocess.run(["curl", "-s", url + "$CAM2?x=1"], capture_output=True, timeout=20).stdout
        cam2_plain = subprocess.run(["curl", "-s", url + "$CAM2"], capture_output=True, timeout=20).stdout
        check(cam2 == cam2_plain and cam2[:2] == b"\xff\xd8" and cam2 != cam1, "$CAM2?x=1 serves camera 2")

        # Files.
        curl = subprocess.run(["curl", "-s", "-o", "-", "-w", "|%{content_type}", url + "page2k.html"],
                              capture_output=True, timeout=20)
        check(curl.stdout == page + b"|text/html; charset=UTF-8", "curl: a 2 KB page as text/html")
        check(get(port, b"big.html") == text_page(big), "a 10000-byte file goes out whole with its exact length")
        check(get(port, b"index.html?x=1") == NOT_FOUND, "a query after a file name finds no file")
        for path in ("../CTestTestfile.cmake", "..\\CTestTestfile.cmake", "./../CTestTestfile.cmake",
                     "Webserver/../../CTestTestfile.cmake", "/etc/passwd", "Z:/etc/passwd", "..%2fCTestTestfile.cmake"):
            curl = subprocess.run(["curl", "-s", "--path-as-is", "-o", "/dev/null", "-w", "%{http_code}", url + path],
                                  capture_output=True, text=True, timeout=20)
            raw = get(port, path.encode())
            check(curl.stdout == "404" and raw == NOT_FOUND, f"{path} outside the folder is not found")

        # Login, read live.
        check(host.command("login admin s3cret!") == "ok", "login switched on")
        check(get(port, b"$COUNT") == LOGIN, "without credentials: the exact 401")
        check(get(port, b"") == LOGIN, "/ (the index page) is behind the login too")
        curl = subprocess.run(["curl", "-s", "-u", "admin:s3cret!", url + "$COUNT"], capture_output=True, timeout=20)
        check(curl.stdout == b"<HTML><BODY>3</BODY></HTML>", "curl -u with the right credentials is served")
        curl = subprocess.run(["curl", "-s", "-o", "/dev/null", "-w", "%{http_code}", "-u", "admin:wrong",
                               url + "$COUNT"], capture_output=True, text=True, timeout=20)
        check(curl.stdout == "401", "curl -u with a wrong password gets 401")
        unpadded = base64.b64encode(b"admin:s3cret!").rstrip(b"=")
        check(get(port, b"$COUNT", b"Authorization: Basic " + unpadded + b"\r\n") == COUNT,
              "unpadded credentials are accepted")
        # Guessing: the curl above was the first of ten wrong logins; after
        # them even the right credentials get 401, unchecked, for a minute.
        right = b"Authorization: Basic " + base64.b64encode(b"admin:s3cret!") + b"\r\n"
        for guess in range(9):
            wrong = b"Authorization: Basic " + base64.b64encode(b"admin:guess%d" % guess) + b"\r\n"
            check(get(port, b"$COUNT", wrong) == LOGIN, f"guess {guess + 2} refused")
        check(get(port, b"$COUNT", right) == LOGIN, "after ten wrong logins the right one is refused too")
        check(host.command("nologin") == "ok", "login switched off")
        check(get(port, b"$COUNT") == COUNT, "without a login required the throttled address is served")

        # A request in pieces is answered once, after its blank line.
        with connect(port) as sock:
            sock.sendall(b"GET /$CO")
            time.sleep(0.2)
            sock.sendall(b"UNT HTTP/1.0\r\nHost: x\r\n")
            early = readable(sock, 0.5)
            sock.sendall(b"\r\n")
            data, closed = read_all(sock)
        check(not early and data == COUNT and closed, "a request sent in pieces is answered once")

        # Garbage and oversized requests.
        junk = bytes(random.randrange(1, 256) for _ in range(5000)).replace(b"GET /", b"")
        check(exchange(port, junk + b"\r\n\r\n") == NOT_FOUND, "binary garbage with a blank line gets 404")
        with connect(port) as sock:
            try:
                sock.sendall(b"GET /$COUNT HTTP/1.0\r\n" + b"X: " + b"y" * 200000)
            except (BrokenPipeError, ConnectionResetError):
                pass
            data, closed = read_all(sock)
        check(data == b"" and closed, "an endless header block is cut off and closed without an answer")
        check(get(port, b"$COUNT", b"Cookie: " + b"c" * 12000 + b"\r\n") == COUNT,
              "a 12 KB header block is still served")
        with connect(port) as sock:
            sock.sendall(bytes(random.randrange(1, 256) for _ in range(3000)))
        baseline = host.wait_clients(0)
        check(baseline["clients"] == 0, f"finished and abandoned connections are destroyed ({baseline})")
        baseline.update(host.resources())

        # Load: 2000 requests over 50 concurrent connections.
        expected = {b"$COUNT": COUNT, b"page2k.html": text_page(page), b"$CAM1": raw1, b"$CAM9": NOT_FOUND}
        paths = list(expected)

        def worker(index):
            good = 0
            for i in range(40):
                path = paths[(index + i) % len(paths)]
                try:
                    good += get(port, path) == expected[path]
                except OSError:
                    pass
            return good
        t0 = time.time()
        with ThreadPoolExecutor(50) as pool:
            good = sum(pool.map(worker, range(50)))
        check(good == 2000, f"2000 requests over 50 connections all answered correctly ({good}, "
                            f"{time.time() - t0:.1f} s)")

        status = host.wait_clients(0)
        check(status["clients"] == 0, "every load connection is destroyed")

        # One connection that never sends: dropped by the server after 20 s.
        idle_result = {}

        def idle():
            with connect(port, 40) as sock:
                t0 = time.time()
                data, closed = read_all(sock)
                idle_result.update(seconds=time.time() - t0, data=data, closed=closed)
        idle_thread = threading.Thread(target=idle)
        idle_thread.start()

        # One that trickles its request a byte every 2 s: cut off 20 s after
        # its connection all the same.
        trickle_result = {}

        def trickle():
            with connect(port, 40) as sock:
                t0 = time.time()
                sent = 0
                try:
                    for byte in b"GET /$COUNT HTTP/1.0\r\nX-Slow: " + b"z" * 30:
                        if readable(sock, 2.0):
                            break
                        sock.sendall(bytes([byte]))
                        sent += 1
                except OSError:
                    pass
                data, closed = read_all(sock)
                trickle_result.update(seconds=time.time() - t0, data=data, closed=closed, sent=sent)
        trickle_thread = threading.Thread(target=trickle)
        trickle_thread.start()

        def connect_from(address, timeout=30):
            return socket.create_connection(("127.0.0.1", port), timeout=timeout, source_address=(address, 0))

        # 300 connections that send nothing, from 20 addresses: 256 open
        # connections at most, the rest closed at once.
        silent = []
        for i in range(300):
            silent.append(connect_from(f"127.0.1.{i % 20 + 1}"))
        status = host.wait_clients(256)
        check(status["clients"] == 256, f"256 connections are held ({status['clients']})")
        ended = set()
        deadline = time.time() + 5
        while len(ended) < 300 + 2 - 256 and time.time() < deadline:
            for sock in select.select([s for s in silent if s not in ended], [], [], 0.2)[0]:
                data, closed = read_all(sock)
                if closed and data == b"":
                    ended.add(sock)
        check(len(ended) == 300 + 2 - 256, f"those beyond are closed at once ({len(ended)})")
        for sock in silent[:100]:
            sock.close()
        host.wait_clients(256 - sum(sock not in ended for sock in silent[:100]))
        with ThreadPoolExecutor(10) as pool:
            served = list(pool.map(lambda i: get(port, paths[i % 4]) == expected[paths[i % 4]], range(100)))
        check(all(served), f"100 requests served beside them ({sum(served)})")
        for sock in silent:
            sock.close()
        status = host.wait_clients(2)
        check(status["clients"] == 2, f"connections closed by their peers are destroyed ({status['clients']} left)")

        # 256 idle connections from one address lock nobody out: the oldest
        # make way for newcomers, from that address or any other.
        flood = [connect_from("127.0.0.2") for _ in range(256)]
        for address in ("127.0.0.3", "127.0.0.2"):
            with connect_from(address, 10) as sock:
                sock.sendall(b"GET /$COUNT HTTP/1.0\r\n\r\n")
                check(read_all(sock)[0] == COUNT, f"beside 256 idle connections from 127.0.0.2, {address} is served")
        check(read_all(flood[0]) == (b"", True) and not readable(flood[-1], 0),
              "the flood's oldest connection was closed for them, its newest is held")
        check(host.status()["clients"] < 256 - 2, f"the flood holds the server's room only in part ({host.status()})")
        for sock in flood:
            sock.close()
        host.wait_clients(2)

        trickle_thread.join(40)
        check(trickle_result.get("closed") and trickle_result.get("data") == b""
              and 19.0 <= trickle_result.get("seconds", 0) <= 23.0 and trickle_result.get("sent", 0) >= 9,
              f"a trickling request is cut off 20 s after its connection ({trickle_result})")
        idle_thread.join(40)
        check(idle_result.get("closed") and idle_result.get("data") == b""
              and 19.0 <= idle_result.get("seconds", 0) <= 23.0,
              f"an idle connection is dropped after 20 s ({idle_result.get('seconds', 0):.1f} s)")
        final = host.wait_clients(0)
        check(final["clients"] == 0, "and its object destroyed")
        final.update(host.resources())
        # The server keeps up to 64 windows of finished connections for reuse.
        check(final["windows"] <= baseline["windows"] + 64, f"windows back near the start ({baseline} -> {final})")
        check(final["handles"] == baseline["handles"], f"handles back to the start ({baseline} -> {final})")
        check(final["heap"] <= baseline["heap"] + 256 * 1024,
              f"heap in use back near the start ({baseline['heap']} -> {final['heap']})")
        check(final["private"] <= baseline["private"] + 8 * 1024 * 1024,
              f"private memory back near the start ({baseline['private']} -> {final['private']})")

        # Disabling closes the listener and every connection.
        held = [connect(port) for _ in range(3)]
        host.wait_clients(3)
        reply = host.command("disable")
        ends = []
        for sock in held:
            sock.settimeout(5)
            data, closed = read_all(sock)
            ends.append(closed and data == b"")
            sock.close()
        try:
            connect(port, 3).close()
            refused = False
        except OSError:
            refused = True
        status = host.status()
        check(reply == "ok listening=0" and all(ends) and refused and status["clients"] == 0,
              f"disabling closes the listener and every connection ({reply}, {ends}, {refused}, {status})")
        reply = host.command("enable")
        check(reply == "ok listening=1" and get(port, b"$COUNT") == COUNT, f"enabling serves again ({reply})")
    finally:
        host.stop()
    print(f"{time.time() - started:.1f} s")
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
