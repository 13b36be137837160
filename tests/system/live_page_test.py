#!/usr/bin/env python3
"""The live page in a real browser: Vorrandale under Wine with an ffmpeg
camera serves its shipped Webserver/index.html; headless Chromium opens it
twice, a second apart, and the grid picture must differ between the two
screenshots (saved as artifacts). The streams are checked byte-wise too."""
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

from systest import Checks, Program, WindowTool, arguments, free_port, mjpeg_camera, wait_for, wine_path
from vorrandale_test import config_bytes

CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--hide-scrollbars"]


def http(port, path, timeout=10):
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(b"GET /" + path + b" HTTP/1.0\r\n\r\n")
        data = b""
        while True:
            chunk = s.recv(65536)
            if not chunk:
                return data
            data += chunk


def stream_parts(port, path, count, timeout=20):
    """The header block and the first `count` parts of a live stream."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(b"GET /" + path + b" HTTP/1.0\r\n\r\n")
        data = b""
        while b"\r\n\r\n" not in data:
            data += s.recv(65536)
        header, _, data = data.partition(b"\r\n\r\n")
        parts = []
        while len(parts) < count:
            match = re.match(rb"--vorrandale-live-5f3c1a\r\nContent-Type: image/jpeg\r\nContent-Length: (\d+)\r\n\r\n",
                             data)
            if match and len(data) >= match.end() + int(match.group(1)) + 2:
                end = match.end() + int(match.group(1))
                parts.append(data[match.end():end] if data[end:end + 2] == b"\r\n" else b"bad ending")
                data = data[end + 2:]
                continue
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
        return header, parts


def probe(jpeg, folder, name):
    path = os.path.join(folder, name)
    with open(path, "wb") as f:
        f.write(jpeg)
    return subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=codec_name,width,height",
                           "-of", "csv=p=0", path], capture_output=True, text=True, timeout=30).stdout.strip()


def screenshot(url, path, profile):
    shutil.rmtree(profile, ignore_errors=True)
    os.makedirs(profile)
    subprocess.run(["chromium", *CHROMIUM_FLAGS, f"--user-data-dir={profile}", "--window-size=1024,700",
                    "--virtual-time-budget=4000", f"--screenshot={path}", url],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=90)
    return os.path.exists(path)


def grid_pixels(path):
    """The screenshot's pixels as raw RGB, and how many colours they hold."""
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, timeout=60).stdout
    colours = subprocess.run(["identify", "-format", "%k", path], capture_output=True, text=True, timeout=60)
    return raw, int(colours.stdout or 0)


def main():
    args = arguments("wine", "exe", "tool", "webfolder", "artifacts")
    check = Checks("live_page_system")

    os.makedirs(args.artifacts, exist_ok=True)
    folder = tempfile.mkdtemp(prefix="vorrandale_live_")
    camera_port, web_port = free_port(), free_port()
    exe = os.path.join(folder, "Vorrandale.exe")
    shutil.copy(args.exe, exe)
    shutil.copytree(args.webfolder, os.path.join(folder, "Webserver"))
    config = bytearray(config_bytes(web_port, f"http://127.0.0.1:{camera_port}/camera.mjpg",
                                    wine_path(os.path.join(folder, "rec", "camera1.mjpg"))))
    config[4:8] = b"\0\0\0\0"  # no login: the browser opens the page as it is
    with open(os.path.join(folder, "Vorrandale.cfg"), "wb") as f:
        f.write(config)
    camera = mjpeg_camera("testsrc2=size=640x480:rate=10", f"http://127.0.0.1:{camera_port}/camera.mjpg")
    program = None
    try:
        time.sleep(1)
        program = Program(args.wine, exe, cwd=folder)

        def camera_live():
            try:
                return http(web_port, b"$CAM1", 5)[:15] == b"HTTP/1.0 200 OK" and \
                    b"image/jpeg" in http(web_port, b"$CAM1", 5)[:200]
            except OSError:
                return False
        check(wait_for(camera_live, 60), "the program serves the camera's picture")

        page = http(web_port, b"")
        check(page.startswith(b"HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n") and
              b"$GRID" in page and b"$STREAM" in page and b"$COUNT" in page, "/ is the shipped live page")

        header, parts = stream_parts(web_port, b"$STREAM1", 3)
        check(header == b"HTTP/1.0 200 OK\r\nCache-Control: no-cache\r\n"
                        b"Content-Type: multipart/x-mixed-replace; boundary=vorrandale-live-5f3c1a",
              f"$STREAM1 is a multipart stream ({header!r})")
        shapes = [probe(part, folder, f"part{i}.jpg") for i, part in enumerate(parts)]
        check(len(parts) == 3 and all(s == "mjpeg,640,480" for s in shapes) and len(set(parts)) == 3,
              f"$STREAM1 sends whole, new 640x480 JPEGs ({shapes})")
        header, parts = stream_parts(web_port, b"$GRID", 2)
        shapes = [probe(part, folder, f"grid{i}.jpg") for i, part in enumerate(parts)]
        check(len(parts) == 2 and all(s.startswith("mjpeg,1282,") for s in shapes),
              f"$GRID sends pictures of the 2 x 2 grid, 1280 + 2 columns wide ({shapes})")

        url = f"http://127.0.0.1:{web_port}/"
        profile = os.path.join(folder, "chromium")
        first, second = (os.path.join(args.artifacts, f"live_page_{n}.png") for n in (1, 2))
        for path in (first, second):
            if os.path.exists(path):
                os.remove(path)
        shot1 = screenshot(url, first, profile)
        time.sleep(1)
        shot2 = screenshot(url, second, profile)
        check(shot1 and shot2, f"Chromium took both screenshots ({first}, {second})")
        if shot1 and shot2:
            pixels1, colours1 = grid_pixels(first)
            pixels2, colours2 = grid_pixels(second)
            check(colours1 > 200 and colours2 > 200, f"the page shows the cameras ({colours1}, {colours2} colours)")
            differing = sum(a != b for a, b in zip(pixels1, pixels2))
            check(len(pixels1) == len(pixels2) and differing > 1000,
                  f"the grid changed between the screenshots ({differing} bytes differ)")
        # Ended by Exit as in the other tests; a kill is the last resort.
        WindowTool(args.wine, args.tool)("command", "168")
        check(program.wait(60) == 0, "Exit ends the program")
    finally:
        if program:
            program.end()
        camera.kill()
        camera.wait()
        shutil.rmtree(folder, ignore_errors=True)
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
