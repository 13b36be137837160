#!/usr/bin/env python3
"""Starts the real Framedeck.exe under Wine with a recording on its command
line, finds its window from a second Windows program, checks the title, the
position readout as it steps and that the picture shows the recording's
first frame, keeps a screenshot and closes the window (ending the process by
pid if it does not go); then the same for an MP4 recording."""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

from systest import Checks, Program, WindowTool, arguments, run, wait_for, wine_path

FIRST = (200, 40, 60)   # RGB of the first frame
LATER = (30, 90, 220)   # the frames after it
STAMP = 1700000000


def flat_jpegs(rgb, count):
    """JPEG pictures of one colour, made by ffmpeg."""
    colour = "0x%02X%02X%02X" % rgb
    out = subprocess.run(
        ["ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", f"color=c={colour}:s=320x240:r=10",
         "-frames:v", str(count), "-q:v", "2", "-f", "image2pipe", "-vcodec", "mjpeg", "-"],
        check=True, capture_output=True, timeout=60).stdout
    pictures = [m.group(0) for m in re.finditer(rb"\xff\xd8.*?\xff\xd9", out, re.S)]
    assert len(pictures) == count, len(pictures)
    return pictures


def stamped(jpeg, seconds):
    """The picture with the capture time in a comment segment after its start marker."""
    payload = str(seconds).encode() + b"\0"
    return jpeg[:2] + b"\xff\xfe" + struct.pack(">H", len(payload) + 2) + payload + jpeg[2:]


def bmp_pixel(data, x, y):
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits == 24
    stride = (width * 3 + 3) // 4 * 4
    row = height - 1 - y if height > 0 else y
    b, g, r = data[offset + row * stride + x * 3: offset + row * stride + x * 3 + 3]
    return (r, g, b)


def near(a, b, tolerance=12):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


def main():
    args = arguments("wine", "program", "shot", "tool", "artifacts")
    check = Checks("framedeck_system")
    tool = WindowTool(args.wine, args.tool)

    os.makedirs(args.artifacts, exist_ok=True)
    with tempfile.TemporaryDirectory() as folder:
        name = "camera 2.mjpg"
        path = os.path.join(folder, name)
        frames = flat_jpegs(FIRST, 1) + flat_jpegs(LATER, 4)
        with open(path, "wb") as f:
            for i, jpeg in enumerate(frames):
                f.write(stamped(jpeg, STAMP + i))

        # The second argument must be ignored.
        player = Program(args.wine, args.program, wine_path(path), wine_path(path + ".missing"))
        try:
            title = "Framedeck - " + name

            def texts():
                return tool("texts", title)[1].splitlines()

            for button, wanted in ((None, "frame 1 of 5"), ("1004", "frame 5 of 5"), ("1003", "frame 1 of 5")):
                if button:
                    tool("press", title, button)
                check(wait_for(lambda: wanted in texts(), 60), f"the readout says {wanted!r}")
            bmp = os.path.join(folder, "framedeck.bmp")
            code, shot = run(args.wine, args.shot, "Framedeck", "1007", wine_path(bmp), "close", timeout=90)
            print(shot)
            check(code == 0, f"the window is found and captured (exit {code})")
            report = dict(line.split("=", 1) for line in shot.splitlines() if "=" in line)
            check(report.get("title") == "Framedeck - " + name, f"title {report.get('title')!r}")
            centre = report.get("centre", "000000")
            rgb = tuple(int(centre[i:i + 2], 16) for i in (0, 2, 4))
            check(near(rgb, FIRST), f"the picture's centre {rgb} shows the first frame {FIRST}")
            if os.path.exists(bmp):
                with open(bmp, "rb") as f:
                    data = f.read()
                window = [int(v) for v in report["window"].split(",")]
                control = [int(v) for v in report["control"].split(",")]
                x = (control[0] + control[2]) // 2 - window[0]
                y = (control[1] + control[3]) // 2 - window[1]
                check(near(bmp_pixel(data, x, y), FIRST), "the screenshot shows the first frame in the picture")
                check(control[2] - control[0] == 400 and control[3] - control[1] == 300,
                      f"the picture area is 400x300 (got {control[2] - control[0]}x{control[3] - control[1]})")
                png = os.path.join(args.artifacts, "framedeck.png")
                if shutil.which("convert") and subprocess.run(["convert", bmp, png]).returncode == 0:
                    print("screenshot:", png)
                else:
                    shutil.copy(bmp, os.path.join(args.artifacts, "framedeck.bmp"))
            # Closing the window ends the program.
            code = player.wait(20)
            check(code == 0, f"closing the window ends the program with 0 (got {code})")
        finally:
            player.end()

        # An MP4 recording opens in the same window.
        mp4 = os.path.join(folder, "camera 3.mp4")
        colour = "color=c=0x%02X%02X%02X:s=320x240:r=10" % FIRST
        subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", colour, "-frames:v", "5",
                        "-c:v", "libx264", mp4], check=True, timeout=60)
        player = Program(args.wine, args.program, wine_path(mp4))
        try:
            title = "Framedeck - camera 3.mp4"
            for button, wanted in ((None, "frame 1 of 5"), ("1004", "frame 5 of 5"), ("1003", "frame 1 of 5")):
                if button:
                    tool("press", title, button)
                check(wait_for(lambda: wanted in tool("texts", title)[1].splitlines(), 60),
                      f"the MP4 readout says {wanted!r}")
            code, shot = run(args.wine, args.shot, "Framedeck", "1007", wine_path(mp4 + ".bmp"), "close",
                             timeout=90)
            report = dict(line.split("=", 1) for line in shot.splitlines() if "=" in line)
            centre = report.get("centre", "000000")
            rgb = tuple(int(centre[i:i + 2], 16) for i in (0, 2, 4))
            check(report.get("title") == "Framedeck - camera 3.mp4" and near(rgb, FIRST),
                  f"the MP4 opens from the command line showing its first frame ({report})")
            check(player.wait(20) == 0, "and its window closes")
        finally:
            player.end()
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
