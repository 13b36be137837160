#!/usr/bin/env python3
"""The cost of recording 1920x1080 H.264 RTSP cameras as they send them:
Vorrandale.exe under Wine with 1 and 4 cameras on one stream at 10
frames/s with a key frame every 10 pictures, each recording its packets to
.mp4 with motion detection on pictures taken once a second (so only key
frames are decoded), then again with a 640x360 second stream decoded for
the pictures and motion at 10 frames/s instead. Reported per camera: CPU of
the program and its wineserver, bytes written per second against the
stream's own bit rate, and resident memory. Beside it, from the same
streams, Linux ffmpeg copying the main one into MP4 segments (and decoding
the second one). The stream is encoded once beforehand and published with
-c copy through the relay of rtsp_peers. Run inside a Wine session
(scripts/bench does)."""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "system"))
from rtsp_bench import MEASURE, SETTLE, measure_pid, publish_copy  # noqa: E402
from rtsp_peers import RtspRelay, end_peers  # noqa: E402
from vorrandale_bench import GRIDS, camera_settings, put_int, start_program, wine_path  # noqa: E402

SAVE_INTERVAL = 1088


def encode_stream(folder, size="1920x1080"):
    path = os.path.join(folder, f"camera-{size}.mkv")
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", f"testsrc2=size={size}:rate=10",
                    "-t", "30", "-c:v", "libx264", "-preset", "veryfast", "-g", "10", "-sc_threshold", "0", "-bf", "0",
                    "-pix_fmt", "yuv420p", path], check=True, timeout=600)
    probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=bit_rate", "-of", "csv=p=0", path],
                           capture_output=True, text=True, timeout=60)
    return path, int(probe.stdout.strip() or 0) / 8


def config_bytes(url, folders, second_url):
    columns, rows = GRIDS[len(folders)]
    out = bytes(532) + struct.pack("<iii4xd", 5, columns, rows, 0.75) + struct.pack("<I", len(folders))
    for path in folders:
        settings = bytearray(camera_settings(url, wine_path(os.path.join(path, "cam.mjpg"))))
        put_int(settings, SAVE_INTERVAL, 100 if second_url else 1000)
        out += bytes(settings)
    # The extension, version 3: every camera records as sent, its pictures
    # from the second stream when there is one.
    records = b"".join(bytes(80) + struct.pack("<i", 1) + second_url.encode().ljust(260, b"\0") for _ in folders)
    extension = b"VREX" + struct.pack("<III", 3, len(folders), 344) + records
    return out + extension + struct.pack("<I", zlib.crc32(extension))


def bytes_in(folders):
    total = 0
    for folder in folders:
        for name in os.listdir(folder) if os.path.isdir(folder) else []:
            total += os.path.getsize(os.path.join(folder, name))
    return total


def ours(args, url, cameras, second_url=""):
    folder = tempfile.mkdtemp(prefix="vorrandale_rtsp_mp4_bench_")
    exe = os.path.join(folder, "Vorrandale.exe")
    shutil.copy(args.exe, exe)
    recordings = [os.path.join(folder, f"cam{k + 1}") for k in range(cameras)]
    with open(os.path.join(folder, "Vorrandale.cfg"), "wb") as f:
        f.write(config_bytes(url, recordings, second_url))
    program, pid = start_program(args.wine, exe, folder)
    try:
        return None if pid is None else measure_pid(pid, lambda: bytes_in(recordings))
    finally:
        subprocess.run([args.wine, args.tool, "command", "168"], capture_output=True, timeout=60)
        try:
            program.wait(timeout=30)
        except subprocess.TimeoutExpired:
            if pid is not None:
                os.kill(pid, 9)
            program.wait(timeout=30)
        shutil.rmtree(folder, ignore_errors=True)


def peer(url, folder, second_url=""):
    out = os.path.join(folder, "peer")
    os.makedirs(out, exist_ok=True)
    decode = ["-rtsp_transport", "tcp", "-i", second_url, "-map", "1:v", "-f", "null", "-"] if second_url else []
    process = subprocess.Popen(["ffmpeg", "-nostdin", "-v", "error", "-rtsp_transport", "tcp", "-i", url, *decode[:4],
                                "-map", "0:v", "-c", "copy", "-f", "segment", "-segment_time", "60", "-segment_format",
                                "mp4", os.path.join(out, "%03d.mp4"), *decode[4:]], stdout=subprocess.DEVNULL)
    try:
        return measure_pid(process.pid, lambda: bytes_in([out]))
    finally:
        process.kill()
        process.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--host", required=True, help="a test tool; window_tool is found beside it")
    args, _ = parser.parse_known_args()
    args.tool = os.path.join(os.path.dirname(args.host), "window_tool.exe")
    folder = tempfile.mkdtemp(prefix="rtsp_mp4_bench_")
    relays = [RtspRelay(), RtspRelay()]
    publishers = []
    try:
        stream, stream_rate = encode_stream(folder)
        second, _ = encode_stream(folder, "640x360")
        publishers = [publish_copy(relays[0], stream), publish_copy(relays[1], second)]
        time.sleep(2)
        print(f"1920x1080 H.264 at 10 frames/s, a key frame every 10, {stream_rate * 8 / 1e6:.1f} Mbit/s; "
              f"settle {SETTLE} s, measure {MEASURE} s", flush=True)
        for second_url, how in (("", "as sent"), (relays[1].url(), "as sent, 640x360 second stream decoded")):
            for cameras in (1, 4):
                result = ours(args, relays[0].url(), cameras, second_url)
                if result is None:
                    print(f"  Vorrandale, {cameras} camera(s): did not start", flush=True)
                    continue
                per_camera = (result["cpu"] + result["server"]) / cameras
                written = result["rate"] / cameras / stream_rate * 100 if stream_rate else 0
                print(f"  Vorrandale, {cameras} camera(s) {how}: {per_camera:.1f} % of a core per camera "
                      f"(program {result['cpu']:.1f} + wineserver {result['server']:.1f} %), written {written:.1f} % "
                      f"of the stream's bytes, {result['rss'] / cameras:.0f} MiB resident per camera "
                      f"(load {result['load']})", flush=True)
            result = peer(relays[0].url(), folder, second_url)
            print(f"  ffmpeg -c copy -f segment{' + decoding the second stream' if second_url else ''}: "
                  f"{result['cpu']:.1f} % of a core, "
                  f"{result['rate'] / stream_rate * 100 if stream_rate else 0:.1f} % of the stream's bytes", flush=True)
    finally:
        end_peers(publishers, relays)
        shutil.rmtree(folder, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
