#!/usr/bin/env python3
"""What a new user meets: the first window without a configuration file, the
About box, and a grid with two named, recording cameras (names and REC on the
cells, never in the recordings) and a failed one. Screenshots are kept."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

from systest import Checks, Program, WindowTool, arguments, free_port, mjpeg_camera, wait_for, wine_path
from vorrandale_test import bmp_colours, default_camera, extension_bytes, file_size, put_int, put_text

REC_RED = (255, 40, 40)  # the cell label's "REC"


def grid_config(web_port, live_url, blue_url, records):
    """Web server on; 2 x 2 cameras: 1 and 3 live and recording to `records`, 2 an IP
    camera whose URL is no URL; 1 and 3 named in the extension."""
    web = bytearray(532)
    put_int(web, 0, 1)
    web[8:10] = struct.pack("<H", web_port)
    out = bytes(web) + struct.pack("<iii4xd", 5, 2, 2, 0.75) + struct.pack("<I", 4)
    for k in range(4):
        settings, grid = default_camera()
        if k in (0, 1, 2):
            put_int(settings, 732, 1)  # IP camera
            put_text(settings, 748, 260, [live_url, "camera-without-scheme", blue_url][k])
            put_int(settings, 1008, 1)  # connected
            put_int(settings, 1012, 1)  # MJPEG stream
            put_int(settings, 1088, 100)
        if k in (0, 2):
            put_int(settings, 1016, 1)  # recording on
            put_text(settings, 1092, 260, wine_path(records[k // 2]))
        out += bytes(settings) + bytes(grid)
    return out + extension_bytes(["Door", "", "Garden"])


def bmp_pixel_rows(path):
    """The BMP's rows as lists of (r, g, b), top row first."""
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    rows = []
    for y in range(height):
        start = offset + (height - 1 - y) * width * 3
        row = data[start:start + width * 3]
        rows.append([(row[i + 2], row[i + 1], row[i]) for i in range(0, len(row), 3)])
    return rows


def main():
    args = arguments("wine", "exe", "tool", "artifacts")
    check = Checks("first_use_system")
    tool = WindowTool(args.wine, args.tool)

    def shot(name, title=None):
        return tool.shot(os.path.join(args.artifacts, name + ".bmp"), title)

    def start(folder):
        program = Program(args.wine, os.path.join(folder, "Vorrandale.exe"), cwd=folder)
        shown = wait_for(lambda: tool.state().startswith("main=1 visible=1"), 60)
        return program, shown

    def stop(program):
        tool("command", "168")
        code = program.wait(60)
        program.end()
        return code

    os.makedirs(args.artifacts, exist_ok=True)
    folder = tempfile.mkdtemp(prefix="vorrandale_first_")
    shutil.copy(args.exe, os.path.join(folder, "Vorrandale.exe"))
    camera = blue = None
    program = None
    try:
        # First start: no configuration file.
        program, shown = start(folder)
        check(shown, "main window shown on a first start")
        time.sleep(1)
        rc, place = tool("place")
        x, y, width, height, client_w, client_h, work_x, work_y, work_w, work_h = map(int, place.split())
        cell_w = (client_w - 5 * 5) // 4
        fits = width <= work_w and height <= work_h
        check(fits and (cell_w >= 320 or width >= work_w - 60 or height >= work_h - 60),
              f"first window {width}x{height} in a {work_w}x{work_h} work area: cells {cell_w} wide, "
              "320 where the screen allows")
        # Centred on the work area; the dialog manager may centre on the whole
        # screen instead, which differs by half the task bar.
        inside = work_x <= x and x + width <= work_x + work_w and work_y <= y and y + height <= work_y + work_h
        check(inside and abs((x - work_x) * 2 + width - work_w) <= 2 and abs((y - work_y) * 2 + height - work_h) <= 32,
              f"first window centred on the screen (at {x},{y})")
        first = shot("first_start")
        if check(first is not None, "screenshot of the first start"):
            rows = bmp_pixel_rows(first)
            middle = rows[len(rows) // 3]
            check(any(p == (255, 255, 255) for p in middle[:len(middle) // 4]),
                  "the first empty cell carries white text")

        # The About box, with the web server off.
        tool("command", "173")
        check(tool.wait_window("About Vorrandale"), "About Vorrandale opens")
        _, texts = tool("texts", "About Vorrandale")
        check("Vorrandale 1.0.0" in texts and "libjpeg-turbo" in texts and "Web server: off" in texts,
              f"About names version, licences and the web server ({texts[:120]!r})")
        check(shot("about", "About Vorrandale") is not None, "screenshot of the About box")
        tool("press", "About Vorrandale", "1")
        check(wait_for(lambda: tool("place", "About Vorrandale")[0] != 0, 20), "About closes with its button")
        check(stop(program) == 0, "Exit ends the first start")

        # A live grid: one camera streaming, one that cannot connect.
        camera_port, blue_port, web_port = free_port(), free_port(), free_port()
        records = [os.path.join(folder, "rec", name) for name in ("door.mjpg", "garden.mjpg")]
        with open(os.path.join(folder, "Vorrandale.cfg"), "wb") as f:
            f.write(grid_config(web_port, f"http://127.0.0.1:{camera_port}/camera.mjpg",
                                f"http://127.0.0.1:{blue_port}/camera.mjpg", records))
        camera = mjpeg_camera("testsrc=size=640x480:rate=10", f"http://127.0.0.1:{camera_port}/camera.mjpg")
        blue = mjpeg_camera("color=c=0x2040C0:size=320x240:rate=10", f"http://127.0.0.1:{blue_port}/camera.mjpg")
        time.sleep(1)
        program, shown = start(folder)
        check(shown, "main window shown with the stored grid")
        check(wait_for(lambda: all(file_size(r) > 20000 for r in records), 40),
              f"both cameras record ({[file_size(r) for r in records]} bytes)")
        live = shot("live_grid_failed_camera")
        if check(live is not None, "screenshot of the live grid"):
            colours, size = bmp_colours(live)
            check(colours > 200, f"the live camera's picture is in the grid ({colours} colours)")
            rows = bmp_pixel_rows(live)
            garden = [row[:len(row) // 2] for row in rows[len(rows) // 2:]]  # camera 3: bottom left
            check(any(REC_RED in row for row in garden) and any((255, 255, 255) in row for row in garden),
                  "camera 3's cell carries its name and a red REC")
        frame = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "mjpeg", "-i", records[1], "-frames:v", "1",
                                "-vf", "crop=120:30:0:0", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                               capture_output=True, timeout=60).stdout
        pixels = [frame[i:i + 3] for i in range(0, len(frame), 3)]
        check(len(pixels) == 3600 and all(abs(p[0] - 0x20) < 24 and abs(p[2] - 0xC0) < 24 for p in pixels),
              "the recording's corner is the camera's own blue, without the label")
        tool("command", "173")
        check(tool.wait_window("About Vorrandale"), "About opens again")
        _, texts = tool("texts", "About Vorrandale")
        check(f"http://localhost:{web_port}/" in texts, f"About gives the web address ({texts[:200]!r})")
        tool("press", "About Vorrandale", "1")
        check(stop(program) == 0, "Exit ends the program")
    finally:
        if program:
            program.end()
        for peer in filter(None, (camera, blue)):
            if peer.poll() is None:
                peer.kill()
            peer.wait()
        shutil.rmtree(folder, ignore_errors=True)

    return check.result()


if __name__ == "__main__":
    sys.exit(main())
