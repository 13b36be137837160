#!/usr/bin/env python3
"""The camera program as a whole under Wine: a configuration written here
byte by byte, an ffmpeg MJPEG camera, the recording read by ffprobe, the web
server asked by curl, and the windows driven by a small Windows tool."""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

from systest import Checks, Program, WindowTool, arguments, free_port, mjpeg_camera, wait_for, wine_path


def put_text(buf, offset, size, text):
    data = text.encode("ascii")
    assert len(data) < size
    buf[offset:offset + len(data) + 1] = data + b"\0"


def put_int(buf, offset, value):
    buf[offset:offset + 4] = struct.pack("<i", value)


def default_font(buf, at):
    put_int(buf, at, -13)
    put_int(buf, at + 16, 400)
    buf[at + 20:at + 28] = bytes([0, 0, 0, 0, 1, 2, 1, 0x22])
    put_text(buf, at + 28, 32, "MS Sans Serif")


def default_camera():
    """One camera's settings (1364 bytes) and detection grid (625), as a new camera has them."""
    s = bytearray(1364)
    put_int(s, 12, 75)
    put_text(s, 24, 260, " %a %m/%d/%y (%I:%M:%S %p) ")
    put_int(s, 284, 1)
    default_font(s, 288)
    put_int(s, 352, 0xC8C8C8)
    put_int(s, 356, 100)
    put_int(s, 364, 1)
    put_int(s, 368, 1)
    put_int(s, 380, 20)
    put_int(s, 384, 5)
    put_int(s, 388, 0x0000FF)
    put_int(s, 396, 0xC8C8C8)
    put_int(s, 400, 100)
    put_int(s, 404, 100)
    put_int(s, 408, 9)
    default_font(s, 412)
    put_text(s, 472, 260, "motion.wav")
    put_text(s, 748, 260, "http://")
    put_int(s, 1088, 1000)
    put_text(s, 1092, 260, "C:\\Cameras\\%B\\%d\\myfile.mjpg")
    put_int(s, 1352, 1)
    put_int(s, 1356, 1)
    put_int(s, 1360, 100)
    return s, bytearray(625)


def config_bytes(web_port, camera_url, record_path):
    web = bytearray(532)
    put_int(web, 0, 1)  # webEnabled
    put_int(web, 4, 1)  # requireLogin
    web[8:10] = struct.pack("<H", web_port)
    put_text(web, 10, 260, "admin")
    put_text(web, 270, 260, "s3cret")
    layout = struct.pack("<iii4xd", 5, 2, 2, 0.75)
    out = bytes(web) + layout + struct.pack("<I", 4)
    for k in range(4):
        settings, grid = default_camera()
        if k == 0:
            put_int(settings, 16, 1)  # overlay on the display
            put_int(settings, 732, 1)  # IP camera
            put_text(settings, 748, 260, camera_url)
            put_int(settings, 1008, 1)  # connected
            put_int(settings, 1012, 1)  # MJPEG stream
            put_int(settings, 1016, 1)  # recording on
            put_int(settings, 1088, 100)
            put_text(settings, 1092, 260, record_path)
        out += bytes(settings) + bytes(grid)
    assert len(out) == 560 + 4 * 1989
    return out


def extension_bytes(names, count=4, version=2):
    """The configuration extension (records of version 2) naming the first cameras."""
    body = b"".join(bytes(12) + n.encode("ascii").ljust(64, b"\0") + bytes(4)
                    for n in (list(names) + [""] * count)[:count])
    data = b"VREX" + struct.pack("<III", version, count, 80) + body
    return data + struct.pack("<I", zlib.crc32(data))


def timestamps(data):
    return [int(m.group(1)) for m in re.finditer(rb"\xff\xd8.*?\xff\xfe\x00.(\d+)\x00", data, re.S)]


def file_size(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return 0


def bmp_colours(path):
    """Number of distinct colours in a 24-bit BMP, and its size."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        return 0, (0, 0)
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    pixels = data[offset:offset + width * height * 3]
    return len({pixels[i:i + 3] for i in range(0, len(pixels), 3)}), (width, height)


def main():
    args = arguments("wine", "exe", "tool", "artifacts")
    check = Checks("vorrandale_system")
    tool = WindowTool(args.wine, args.tool)
    state = tool.state

    def http(path, user=None):
        command = ["curl", "-s", "-o", "-", "-w", "\n%{http_code}", "--max-time", "10",
                   f"http://127.0.0.1:{web_port}/{path}"]
        if user:
            command[1:1] = ["-u", user]
        run = subprocess.run(command, capture_output=True, timeout=30)
        body, _, code = run.stdout.rpartition(b"\n")
        return code.decode(errors="replace"), body

    os.makedirs(args.artifacts, exist_ok=True)
    folder = tempfile.mkdtemp(prefix="vorrandale_")
    camera_port, web_port = free_port(), free_port()
    record = os.path.join(folder, "rec", "camera1.mjpg")
    exe = os.path.join(folder, "Vorrandale.exe")
    shutil.copy(args.exe, exe)
    with open(os.path.join(folder, "Vorrandale.cfg"), "wb") as f:
        f.write(config_bytes(web_port, f"http://127.0.0.1:{camera_port}/camera.mjpg", wine_path(record)))
    os.makedirs(os.path.join(folder, "Webserver"))
    with open(os.path.join(folder, "Webserver", "index.html"), "w") as f:
        f.write("<html>cameras</html>")

    camera = mjpeg_camera("testsrc=size=640x480:rate=10", f"http://127.0.0.1:{camera_port}/camera.mjpg")
    program = None
    try:
        time.sleep(1)
        start = int(time.time())
        program = Program(args.wine, exe, cwd=folder)
        check(wait_for(lambda: "main=1 visible=1 app=1" in state(), 60), f"main window shown ({state()})")

        # Recording.
        check(wait_for(lambda: file_size(record) > 20000, 40), f"recording started ({file_size(record)} bytes)")
        first = file_size(record)
        time.sleep(2)
        check(file_size(record) > first, f"recording grows ({first} -> {file_size(record)} bytes)")

        # Web server.
        code, body = http("$COUNT", "admin:s3cret")
        check(code == "200" and body == b"<HTML><BODY>4</BODY></HTML>", f"$COUNT answers 4 ({code} {body[:60]!r})")
        code, body = http("$CAM1", "admin:s3cret")
        picture = os.path.join(folder, "cam1.jpg")
        with open(picture, "wb") as f:
            f.write(body)
        probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=codec_name,width,height",
                                "-of", "csv=p=0", picture], capture_output=True, text=True, timeout=60)
        check(code == "200" and body[:2] == b"\xff\xd8" and probe.stdout.strip() == "mjpeg,640,480",
              f"$CAM1 is a 640x480 JPEG ({code}, {probe.stdout.strip()!r})")
        code, _ = http("$COUNT")
        check(code == "401", f"no credentials: 401 (got {code})")
        code, _ = http("$COUNT", "admin:wrong")
        check(code == "401", f"wrong password: 401 (got {code})")
        for path in ("$CAM5", "$CAM0", "missing.html"):
            code, _ = http(path, "admin:s3cret")
            check(code == "404", f"{path}: 404 (got {code})")
        code, body = http("index.html", "admin:s3cret")
        check(code == "200" and b"<html>cameras</html>" in body, f"page from the web folder ({code})")

        # Screenshot of the grid with the camera's picture in it.
        shot = tool.shot(os.path.join(args.artifacts, "vorrandale_grid.bmp"))
        colours, size = bmp_colours(shot) if shot else (0, (0, 0))
        check(colours > 200, f"screenshot {shot} {size} shows a picture ({colours} colours)")

        # The close button hides the window; the program runs on.
        tool("close")
        check(wait_for(lambda: "main=1 visible=0" in state(), 10), f"close button hides the window ({state()})")
        time.sleep(1)
        check(program.poll() is None, "program still runs after the close button")

        # A second start brings the window forward and ends at once.
        began = time.time()
        second = Program(args.wine, exe, cwd=folder)
        code = second.wait(60)
        second.end()
        took = time.time() - began
        check(code == 0, f"second start exits with 0 (got {code})")
        check(took < 15, f"second start ends at once ({took:.1f} s)")
        check(wait_for(lambda: "main=1 visible=1" in state() and "front=1" in state(), 10),
              f"second start shows the window and brings it forward ({state()})")
        check(program.poll() is None, "first instance still runs")

        # Exit ends the process.
        tool("command", "168")
        code = program.wait(60)
        check(code == 0, f"Exit ends the program with 0 (got {code})")
        end = int(time.time()) + 1

        # The recording, read after the program closed it.
        frames = subprocess.run(["ffprobe", "-v", "error", "-f", "mjpeg", "-count_frames", "-select_streams", "v:0",
                                 "-show_entries", "stream=nb_read_frames,width,height", "-of", "csv=p=0", record],
                                capture_output=True, text=True, timeout=60).stdout.strip()
        fields = frames.split(",")
        check(len(fields) == 3 and fields[:2] == ["640", "480"] and int(fields[2]) >= 20,
              f"ffprobe reads the recording's 640x480 frames ({frames!r})")
        decode = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "mjpeg", "-i", record, "-f", "null", "-"],
                                capture_output=True, text=True, timeout=60)
        check(decode.returncode == 0 and decode.stderr == "", f"ffmpeg decodes every frame {decode.stderr[:200]!r}")
        with open(record, "rb") if os.path.exists(record) else open(os.devnull, "rb") as f:
            stamps = timestamps(f.read())
        check(len(stamps) >= 20 and all(start <= s <= end for s in stamps),
              f"{len(stamps)} frame timestamps lie inside the run {start}..{end}")
        with open(os.path.join(folder, "Vorrandale.cfg"), "rb") as f:
            check(len(f.read()) == 8516, "the configuration is not rewritten at exit")
    finally:
        if program:
            program.end()
        if camera.poll() is None:
            camera.kill()
        camera.wait()
        shutil.rmtree(folder, ignore_errors=True)

    return check.result()


if __name__ == "__main__":
    sys.exit(main())
