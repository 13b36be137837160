#!/usr/bin/env python3
"""The camera program recording from a DirectShow capture device under Wine:
camera 1 is the test capture filter's web camera on its first format
(320x240, 24 bits), recording every frame. ffprobe reads the recording and
ffmpeg decodes it; the frame counter the device draws into its pictures
must advance from frame to frame."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from systest import Checks, Program, WindowTool, arguments, wait_for, wine_path
from vorrandale_test import default_camera, file_size, put_int, put_text

WIDTH, HEIGHT = 320, 240
CELLS = 16  # the counter band: the top eighth, one bit per cell, MSB left


def config_bytes(record_path):
    web = bytearray(532)  # web server off
    layout = struct.pack("<iii4xd", 5, 2, 2, 0.75)
    out = bytes(web) + layout + struct.pack("<I", 4)
    for k in range(4):
        settings, grid = default_camera()
        if k == 0:
            put_int(settings, 360, 0)  # motion detection off: every frame is recorded
            put_int(settings, 732, 2)  # capture device
            put_int(settings, 736, 1)  # the first device
            put_int(settings, 740, 1)  # its first format
            put_int(settings, 1016, 1)  # recording on
            put_int(settings, 1088, 100)
            put_text(settings, 1092, 260, record_path)
        out += bytes(settings) + bytes(grid)
    return out


def counters(gray):
    """The counter of each decoded 8-bit grey frame."""
    band = HEIGHT // 8
    row = band // 2
    size = WIDTH * HEIGHT
    values = []
    for start in range(0, len(gray) - size + 1, size):
        value = 0
        for cell in range(CELLS):
            x = (2 * cell + 1) * WIDTH // (2 * CELLS)
            value = (value << 1) | (1 if gray[start + row * WIDTH + x] > 127 else 0)
        values.append(value)
    return values


def main():
    args = arguments("wine", "exe", "tool")
    check = Checks("dxcam_system")
    tool = WindowTool(args.wine, args.tool)
    state = tool.state

    folder = tempfile.mkdtemp(prefix="vorrandale_dxcam_")
    record = os.path.join(folder, "rec", "camera1.mjpg")
    exe = os.path.join(folder, "Vorrandale.exe")
    shutil.copy(args.exe, exe)
    with open(os.path.join(folder, "Vorrandale.cfg"), "wb") as f:
        f.write(config_bytes(wine_path(record)))
    program = None
    try:
        program = Program(args.wine, exe, cwd=folder)
        check(wait_for(lambda: "main=1 visible=1 app=1" in state(), 60), f"main window shown ({state()})")
        check(wait_for(lambda: file_size(record) > 20000, 30), f"recording started ({file_size(record)} bytes)")
        first = file_size(record)
        check(wait_for(lambda: file_size(record) > first + 20000, 10),
              f"recording grows ({first} -> {file_size(record)} bytes)")
        tool("command", "168")  # Exit
        code = program.wait(60)
        check(code == 0, f"Exit ends the program with 0 (got {code})")

        probe = subprocess.run(["ffprobe", "-v", "error", "-f", "mjpeg", "-count_frames", "-select_streams", "v:0",
                                "-show_entries", "stream=nb_read_frames,width,height", "-of", "csv=p=0", record],
                               capture_output=True, text=True, timeout=60).stdout.strip()
        fields = probe.split(",")
        check(len(fields) == 3 and fields[:2] == [str(WIDTH), str(HEIGHT)] and int(fields[2]) >= 10,
              f"ffprobe reads the recording's {WIDTH}x{HEIGHT} frames ({probe!r})")
        decode = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "mjpeg", "-i", record, "-f", "rawvideo",
                                 "-pix_fmt", "gray", "-"], capture_output=True, timeout=60)
        check(decode.returncode == 0 and decode.stderr == b"", f"ffmpeg decodes every frame {decode.stderr[:200]!r}")
        values = counters(decode.stdout)
        steps = [b - a for a, b in zip(values, values[1:])]
        check(len(values) >= 10 and all(0 <= s <= 20 for s in steps) and values[-1] - values[0] >= len(values) // 2,
              f"the device's frame counter advances through the recording {values[:12]}...{values[-3:]}")
    finally:
        if program:
            program.end()
        shutil.rmtree(folder, ignore_errors=True)

    return check.result()


if __name__ == "__main__":
    sys.exit(main())
