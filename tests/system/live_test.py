#!/usr/bin/env python3
"""How live the camera program's live picture is: ffmpeg serves a 10 frames/s
MJPEG stream whose pictures carry their frame number as 16 black or white
bars, through a relay that notes when each frame went out. The camera polls
at 1000 ms for a minute; the picture that $CAM1 serves is read back and must
be at most 1.5 s older than the newest frame sent, and every recorded frame's
timestamp must lie within 2 s of the time its frame was sent."""
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

from systest import Checks, Program, WindowTool, arguments, free_port, mjpeg_camera, wait_for, wine_path
from vorrandale_test import default_camera, put_int, put_text

RATE = 10
INTERVAL_MS = 1000
RUN_SECONDS = 60
BARS = "color=c=black:s=16x2:r=%d,format=gray,geq=lum='if(bitand(N,pow(2,X)),255,0)'," \
       "scale=640:480:flags=neighbor,format=yuvj420p" % RATE


class FrameRelay:
    """Passes ffmpeg's stream to one client and notes the time each frame's
    last byte went out, frame k being the k-th end marker seen."""

    def __init__(self, target_port):
        self.target_port = target_port
        self.sent = []
        self.received = bytearray()
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.port = self.listener.getsockname()[1]
        self.lock = threading.Lock()
        threading.Thread(target=self._relay, daemon=True).start()

    def _relay(self):
        client, _ = self.listener.accept()
        upstream = None
        deadline = time.monotonic() + 10
        while upstream is None and time.monotonic() < deadline:
            try:
                upstream = socket.create_connection(("127.0.0.1", self.target_port))
            except OSError:
                time.sleep(0.05)
        if upstream is None:
            client.close()
            return
        threading.Thread(target=self._forward, args=(client, upstream), daemon=True).start()
        scanned = 0
        try:
            while True:
                data = upstream.recv(65536)
                if not data:
                    break
                client.sendall(data)
                now = time.time()
                with self.lock:
                    self.received += data
                    while True:
                        end = self.received.find(b"\xff\xd9", scanned)
                        if end < 0:
                            scanned = max(scanned, len(self.received) - 1)
                            break
                        self.sent.append(now)
                        scanned = end + 2
        except OSError:
            pass
        client.close()
        upstream.close()

    @staticmethod
    def _forward(client, upstream):
        try:
            while True:
                data = client.recv(4096)
                if not data:
                    break
                upstream.sendall(data)
        except OSError:
            pass

    def sent_times(self):
        with self.lock:
            return list(self.sent)

    def frames(self):
        with self.lock:
            data = bytes(self.received)
        return [m.group(0) for m in re.finditer(rb"\xff\xd8.*?\xff\xd9", data, re.S)]


def frame_numbers(path, input_format=None):
    """The frame number of every picture in a JPEG or MJPEG file."""
    command = ["ffmpeg", "-nostdin", "-v", "error"] + (["-f", input_format] if input_format else [])
    command += ["-i", path, "-vf", "scale=16:1:flags=area", "-f", "rawvideo", "-pix_fmt", "gray", "-"]
    raw = subprocess.run(command, capture_output=True, timeout=120).stdout
    numbers = []
    for at in range(0, len(raw) - 15, 16):
        numbers.append(sum(1 << bit for bit in range(16) if raw[at + bit] >= 128))
    return numbers


def config_bytes(web_port, camera_url, record_path):
    web = bytearray(532)
    put_int(web, 0, 1)  # webEnabled
    web[8:10] = struct.pack("<H", web_port)
    layout = struct.pack("<iii4xd", 5, 1, 1, 0.75)  # one cell
    settings, grid = default_camera()
    put_int(settings, 732, 1)  # IP camera
    put_text(settings, 748, 260, camera_url)
    put_int(settings, 1008, 1)  # connected
    put_int(settings, 1012, 1)  # MJPEG stream
    put_int(settings, 1016, 1)  # recording on, motion detection off: every picture
    put_int(settings, 1088, INTERVAL_MS)
    put_text(settings, 1092, 260, record_path)
    return bytes(web) + layout + struct.pack("<I", 1) + bytes(settings) + bytes(grid)


def main():
    args = arguments("wine", "exe", "tool")
    check = Checks("live_system")

    folder = tempfile.mkdtemp(prefix="vorrandale_live_")
    ffmpeg_port, web_port = free_port(), free_port()
    record = os.path.join(folder, "rec", "camera1.mjpg")
    exe = os.path.join(folder, "Vorrandale.exe")
    shutil.copy(args.exe, exe)
    ffmpeg = mjpeg_camera(BARS, f"http://127.0.0.1:{ffmpeg_port}/camera.mjpg")
    relay = FrameRelay(ffmpeg_port)
    with open(os.path.join(folder, "Vorrandale.cfg"), "wb") as f:
        f.write(config_bytes(web_port, f"http://127.0.0.1:{relay.port}/camera.mjpg", wine_path(record)))
    program = None
    ages = []
    try:
        program = Program(args.wine, exe, cwd=folder)
        check(wait_for(lambda: len(relay.sent_times()) > 0, 60), "the program reads the camera")
        started = time.monotonic()
        picture = os.path.join(folder, "cam1.jpg")
        while time.monotonic() - started < RUN_SECONDS:
            time.sleep(1.7)
            asked = time.time()
            newest = len(relay.sent_times()) - 1
            run = subprocess.run(["curl", "-s", "-o", picture, "-w", "%{http_code}", "--max-time", "10",
                                  f"http://127.0.0.1:{web_port}/$CAM1"], capture_output=True, text=True, timeout=30)
            if run.stdout != "200":
                continue
            numbers = frame_numbers(picture)
            sent = relay.sent_times()
            if numbers and numbers[0] < len(sent):
                ages.append((asked - sent[numbers[0]], newest - numbers[0]))
        WindowTool(args.wine, args.tool)("command", "168")
        check(program.wait(60) == 0, "Exit ends the program")
    finally:
        if program:
            program.end()
        ffmpeg.kill()
        ffmpeg.wait()

    sent = relay.sent_times()
    check(len(sent) >= RUN_SECONDS * RATE * 0.9, f"ffmpeg sent {len(sent)} frames at {RATE} frames/s")
    relayed = relay.frames()
    probe = os.path.join(folder, "probe.jpg")
    for k in (0, len(relayed) // 2, len(relayed) - 1):
        with open(probe, "wb") as f:
            f.write(relayed[k])
        number = frame_numbers(probe)
        check(number == [k], f"relayed frame {k} carries its number ({number})")
    worst = max(age for age, _ in ages) if ages else None
    print(f"live picture age over {len(ages)} samples: max {worst and round(worst, 2)} s, "
          f"mean {ages and round(sum(a for a, _ in ages) / len(ages), 2)} s, "
          f"frames behind {[behind for _, behind in ages]}", flush=True)
    check(len(ages) >= RUN_SECONDS // 3, f"$CAM1 answered with a readable picture ({len(ages)} times)")
    check(worst is not None and worst <= 1.5, f"$CAM1's picture at most 1.5 s behind the newest frame ({worst})")

    with open(record, "rb") if os.path.exists(record) else open(os.devnull, "rb") as f:
        stamps = [int(m.group(1)) for m in re.finditer(rb"\xff\xd8.*?\xff\xfe\x00.(\d+)\x00", f.read(), re.S)]
    numbers = frame_numbers(record, "mjpeg")
    check(len(stamps) >= RUN_SECONDS * 0.8 and len(numbers) == len(stamps),
          f"{len(stamps)} recorded frames, about one per second, each readable ({len(numbers)})")
    offsets = [stamp - sent[n] for stamp, n in zip(stamps, numbers) if n < len(sent)]
    check(len(offsets) == len(stamps) and all(-2 <= d <= 2 for d in offsets),
          f"every recorded timestamp within 2 s of its frame's sending "
          f"(from {offsets and round(min(offsets), 2)} to {offsets and round(max(offsets), 2)} s)")
    check(numbers == sorted(set(numbers)), "recorded frames in order, none twice")
    shutil.rmtree(folder, ignore_errors=True)
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
