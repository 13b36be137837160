#!/usr/bin/env python3
"""The memory one camera holds with the size bound on its pictures: ipcam_host
(one camera worker recording what its IP camera receives) under Wine, with a
camera sending pictures of 640x480 (the baseline), 4096x4096 (the largest a
camera may send) and 8192x8192 (refused before decoding): an MJPEG stream of
real JPEGs at 10 pictures/s and an H.264 RTSP camera. Reports the process's
peak resident memory (VmHWM), its CPU time in % of a core, the pictures the
worker received and the last status. Run inside a Wine session (scripts/bench
does)."""
import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "system"))
from rtsp_peers import RtspRelay, publish  # noqa: E402
from vorrandale_bench import TICKS, environ, find_process, rss_mib, thread_ticks, wine_path  # noqa: E402

SECONDS = int(os.environ.get("VR_BENCH_SECONDS", "20"))
SIZES = ("640x480", "4096x4096", "8192x8192")


def jpeg_of(folder, size):
    path = os.path.join(folder, f"{size}.jpg")
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", f"testsrc2=size={size}",
                    "-frames:v", "1", "-q:v", "5", path], check=True, timeout=300)
    with open(path, "rb") as f:
        return f.read()


class MjpegCamera:
    """Serves one JPEG as a multipart stream at 10 pictures/s to every client."""

    def __init__(self, jpeg):
        self.part = (b"--frame\r\nContent-Type: image/jpeg\r\nContent-Length: " + str(len(jpeg)).encode() +
                     b"\r\n\r\n" + jpeg + b"\r\n")
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.closed = False
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while not self.closed:
            try:
                conn, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(conn,), daemon=True).start()

    def _serve(self, conn):
        try:
            conn.recv(65536)
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=frame\r\n\r\n")
            while not self.closed:
                conn.sendall(self.part)
                time.sleep(0.1)
        except OSError:
            pass
        finally:
            conn.close()

    def close(self):
        self.closed = True
        self.listener.close()


def measure(args, url, folder):
    """Runs ipcam_host on url for SECONDS: peak MiB, CPU %, pictures, last status."""
    record = tempfile.mkdtemp(dir=folder)
    tag = uuid.uuid4().hex
    host = subprocess.Popen([args.wine, args.ipcam_host, url, "mjpeg", "100", wine_path(record), str(SECONDS)],
                            stdout=subprocess.PIPE, text=True, env=dict(os.environ, VR_BENCH_TAG=tag))
    wanted = ("VR_BENCH_TAG=" + tag).encode()
    pid, peak, ticks, start = None, 0.0, {}, time.monotonic()
    while host.poll() is None:
        if pid is None:
            pid = find_process(lambda p, comm: comm.lower().startswith("ipcam_host") and wanted in environ(p))
            start = time.monotonic()
        else:
            peak = max(peak, rss_mib(pid, "VmHWM"))
            ticks = thread_ticks(pid) or ticks
        time.sleep(0.2)
    seconds = time.monotonic() - start
    lines = host.stdout.read().splitlines()
    statuses = [line.split(" ", 2)[2] for line in lines if line.startswith("status ")]
    pictures = sum(1 for line in lines if line.startswith("picture "))
    cpu = sum(ticks.values()) * 100.0 / TICKS / seconds if seconds > 0 else 0.0
    return peak, cpu, pictures, statuses[-1] if statuses else ""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--host", required=True, help="web_server_host.exe; ipcam_host.exe lies beside it")
    args, _ = parser.parse_known_args()
    args.ipcam_host = os.path.join(os.path.dirname(args.host), "ipcam_host.exe")
    folder = tempfile.mkdtemp(prefix="vr_camera_memory_")
    print(f"one camera for {SECONDS} s: peak resident memory of the process, CPU, pictures received, last status")
    try:
        for size in SIZES:
            camera = MjpegCamera(jpeg_of(folder, size))
            try:
                peak, cpu, pictures, status = measure(args, f"http://127.0.0.1:{camera.port}/stream", folder)
            finally:
                camera.close()
            print(f"MJPEG {size:>9}: {peak:7.1f} MiB  {cpu:5.1f}% CPU  {pictures:4d} pictures  {status!r}", flush=True)
        for size in SIZES:
            relay = RtspRelay()
            publisher = publish(relay, f"testsrc2={size}", "libx264", rate=5 if size == "640x480" else 2)
            try:
                peak, cpu, pictures, status = measure(args, relay.url(), folder)
            finally:
                publisher.kill()
                publisher.wait()
                relay.close()
            print(f"H.264 {size:>9}: {peak:7.1f} MiB  {cpu:5.1f}% CPU  {pictures:4d} pictures  {status!r}", flush=True)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
