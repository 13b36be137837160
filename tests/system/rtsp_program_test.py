#!/usr/bin/env python3
"""The camera program with camera 1 on an RTSP stream (ffmpeg's H.264
through the relay of rtsp_peers): it records; then the user switches the
camera's URL to an MJPEG camera and back in the IP camera dialog, without
restarting, and the recording follows each switch (its frame sizes tell the
sources apart)."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

from rtsp_peers import RtspRelay, publish
from systest import Checks, Program, WindowTool, arguments, free_port, mjpeg_camera, wait_for, wine_path
from vorrandale_test import config_bytes, file_size

DIALOG = "IP Camera Setup - Camera 1"
URL, MJPEG_STREAM, CONNECT, DISCONNECT = "1041", "1071", "1051", "1052"


def runs_of(sizes):
    runs = []
    for size in sizes:
        if not runs or runs[-1][0] != size:
            runs.append([size, 0])
        runs[-1][1] += 1
    return runs


def main():
    args = arguments("wine", "exe", "tool")
    check = Checks("rtsp_program_system")
    window_tool = WindowTool(args.wine, args.tool)

    def tool(*words):
        return window_tool(*words)[0]

    folder = tempfile.mkdtemp(prefix="vorrandale_rtsp_program_")
    record = os.path.join(folder, "rec", "camera1.mjpg")
    relay = RtspRelay()
    publisher = publish(relay, "testsrc2=size=640x360", "libx264")
    mjpeg_port = free_port()
    mjpeg = mjpeg_camera("testsrc2=size=320x240:rate=10", f"http://127.0.0.1:{mjpeg_port}/")
    program = None
    try:
        exe = os.path.join(folder, "Vorrandale.exe")
        shutil.copy(args.exe, exe)
        config = bytearray(config_bytes(free_port(), relay.url(), wine_path(record)))
        with open(os.path.join(folder, "Vorrandale.cfg"), "wb") as f:
            f.write(config)
        program = Program(args.wine, exe, cwd=folder)
        check(wait_for(lambda: file_size(record) > 300000, 60), f"camera 1 records its RTSP stream ({file_size(record)})")

        def switch(url, *buttons):
            before = file_size(record)
            done = tool("press", DIALOG, DISCONNECT) == 0
            time.sleep(0.5)  # the press is posted: the URL field is enabled once it is handled
            done = done and tool("settext", DIALOG, URL, url) == 0
            done = done and all(tool("press", DIALOG, b) == 0 for b in buttons)
            grew = wait_for(lambda: file_size(record) > before + 100000, 20)
            time.sleep(2)
            return done and grew

        check(switch(f"http://127.0.0.1:{mjpeg_port}/", MJPEG_STREAM, CONNECT), "switched to the MJPEG camera, it records")
        check(switch(relay.url(), CONNECT), "switched back to the RTSP stream, it records")
        tool("command", "168")  # Exit
        code = program.wait(60)
        check(code == 0, f"Exit ends the program with 0 (got {code})")

        probe = subprocess.run(["ffprobe", "-v", "error", "-f", "mjpeg", "-show_entries", "frame=width,height", "-of",
                                "csv=p=0", record], capture_output=True, text=True, timeout=60).stdout.split()
        runs = runs_of(probe)
        check([size for size, _ in runs] == ["640,360", "320,240", "640,360"] and all(n >= 10 for _, n in runs),
              f"the recording holds the RTSP, MJPEG and RTSP pictures in turn ({runs})")
    finally:
        if program:
            program.end()
        for process in (publisher, mjpeg):
            process.kill()
            process.wait()
        relay.close()
        shutil.rmtree(folder, ignore_errors=True)

    return check.result()


if __name__ == "__main__":
    sys.exit(main())
