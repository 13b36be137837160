#!/usr/bin/env python3
"""The cost of the running camera program: Vorrandale.exe under Wine with 1,
4 and 12 IP cameras, each reading a 640x480 MJPEG stream at 10 frames/s from
a local server and recording it with motion detection on. After the program
settles, CPU time is read from /proc for 20 s: the program per thread (the
main thread apart) and the wineserver; then frames recorded per camera per
second and resident memory. The codec floor (decode + encode + motion
detection of one picture, from codec_bench and motion_bench) is measured in
the same run. Run inside a Wine session (scripts/bench does)."""
import argparse
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
import uuid

RATE = 10
SETTLE_SECONDS = int(os.environ.get("VR_BENCH_SETTLE", "10"))
MEASURE_SECONDS = int(os.environ.get("VR_BENCH_SECONDS", "20"))
TICKS = os.sysconf("SC_CLK_TCK")
GRIDS = {1: (1, 1), 4: (2, 2), 12: (4, 3)}


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


def put_text(buf, offset, size, text):
    data = text.encode("ascii")
    assert len(data) < size
    buf[offset:offset + len(data) + 1] = data + b"\0"


def put_int(buf, offset, value):
    buf[offset:offset + 4] = struct.pack("<i", value)


def font(buf, at):
    put_int(buf, at, -13)
    put_int(buf, at + 16, 400)
    buf[at + 20:at + 28] = bytes([0, 0, 0, 0, 1, 2, 1, 0x22])
    put_text(buf, at + 28, 32, "MS Sans Serif")


def camera_settings(url, record_path):
    """A new camera's settings (1364 bytes) made an MJPEG camera that
    records with motion detection on, polled at the stream's own rate."""
    s = bytearray(1364)
    put_int(s, 12, 75)
    put_text(s, 24, 260, " %a %m/%d/%y (%I:%M:%S %p) ")
    put_int(s, 284, 1)
    font(s, 288)
    put_int(s, 352, 0xC8C8C8)
    put_int(s, 356, 100)
    put_int(s, 360, 1)  # motion detection
    put_int(s, 364, 1)
    put_int(s, 368, 1)
    put_int(s, 380, 20)
    put_int(s, 384, 5)
    put_int(s, 388, 0x0000FF)
    put_int(s, 396, 0xC8C8C8)
    put_int(s, 400, 100)
    put_int(s, 404, 100)
    put_int(s, 408, 9)
    font(s, 412)
    put_text(s, 472, 260, "motion.wav")
    put_int(s, 732, 1)  # IP camera
    put_text(s, 748, 260, url)
    put_int(s, 1008, 1)  # connected
    put_int(s, 1012, 1)  # MJPEG stream
    put_int(s, 1016, 1)  # recording
    put_int(s, 1088, 1000 // RATE)
    put_text(s, 1092, 260, record_path)
    put_int(s, 1352, 1)
    put_int(s, 1356, 1)
    put_int(s, 1360, 100)
    return bytes(s) + bytes(625)


def config_bytes(port, recordings):
    columns, rows = GRIDS[len(recordings)]
    out = bytes(532) + struct.pack("<iii4xd", 5, columns, rows, 0.75) + struct.pack("<I", len(recordings))
    for k, path in enumerate(recordings):
        out += camera_settings(f"http://127.0.0.1:{port}/cam{k + 1}.mjpg", wine_path(path))
    return out


class MjpegServer:
    """Serves the same pre-encoded pictures as a multipart stream at RATE
    frames/s to any number of clients, each paced by the clock."""

    def __init__(self, pictures):
        self.parts = [b"--frame\r\nContent-Type: image/jpeg\r\nContent-Length: %d\r\n\r\n" % len(p) + p + b"\r\n"
                      for p in pictures]
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(64)
        self.port = self.listener.getsockname()[1]
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            try:
                conn, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(conn,), daemon=True).start()

    def _serve(self, conn):
        try:
            request = b""
            while b"\r\n\r\n" not in request:
                chunk = conn.recv(4096)
                if not chunk:
                    return
                request += chunk
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=frame\r\n\r\n")
            start = time.monotonic()
            n = 0
            while True:
                conn.sendall(self.parts[n % len(self.parts)])
                n += 1
                wait = start + n / RATE - time.monotonic()
                if wait > 0:
                    time.sleep(wait)
        except OSError:
            pass
        finally:
            conn.close()


def make_pictures(folder):
    path = os.path.join(folder, "pictures.mjpeg")
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                    f"testsrc2=size=640x480:rate={RATE}", "-t", "5", "-q:v", "4", "-f", "mjpeg", path], check=True)
    with open(path, "rb") as f:
        data = f.read()
    return [m.group(0) for m in re.finditer(rb"\xff\xd8.*?\xff\xd9", data, re.S)]


def environ(pid):
    try:
        with open(f"/proc/{pid}/environ", "rb") as f:
            return f.read().split(b"\0")
    except OSError:
        return []


def find_process(predicate):
    for name in os.listdir("/proc"):
        if name.isdigit():
            try:
                with open(f"/proc/{name}/comm") as f:
                    comm = f.read().strip()
            except OSError:
                continue
            if predicate(int(name), comm):
                return int(name)
    return None


def thread_ticks(pid):
    """utime + stime of every thread of pid, by thread id."""
    ticks = {}
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return ticks
    for tid in tasks:
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            ticks[int(tid)] = int(fields[11]) + int(fields[12])
        except (OSError, IndexError):
            pass
    return ticks


def rss_mib(pid, field="VmRSS"):
    """A process's resident memory in MiB (VmHWM: its peak)."""
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith(field + ":"):
                    return int(line.split()[1]) / 1024
    except OSError:
        pass
    return 0.0


def recorded_frames(paths):
    total = []
    for path in paths:
        try:
            with open(path, "rb") as f:
                total.append(f.read().count(b"\xff\xd8\xff"))
        except OSError:
            total.append(0)
    return total


def loadavg():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def start_program(wine, exe, folder):
    """Starts the camera program in folder; its Wine process and the Linux pid
    of that process (found by a tag in its environment), None when it did not
    come up within a minute."""
    tag = uuid.uuid4().hex
    program = subprocess.Popen([wine, exe], cwd=folder, env=dict(os.environ, VR_BENCH_TAG=tag))
    wanted = ("VR_BENCH_TAG=" + tag).encode()
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        time.sleep(0.5)
        pid = find_process(lambda p, comm: comm.lower().startswith("vorrandale") and wanted in environ(p))
        if pid is not None:
            return program, pid
    return program, None


def measure(args, server, cameras, wineserver):
    folder = tempfile.mkdtemp(prefix=f"vorrandale_bench{cameras}_")
    exe = os.path.join(folder, "Vorrandale.exe")
    shutil.copy(args.exe, exe)
    recordings = [os.path.join(folder, f"cam{k + 1}.mjpg") for k in range(cameras)]
    with open(os.path.join(folder, "Vorrandale.cfg"), "wb") as f:
        f.write(config_bytes(server.port, recordings))
    program, pid = start_program(args.wine, exe, folder)
    try:
        if pid is None:
            print("  the program did not start", flush=True)
            return None
        time.sleep(SETTLE_SECONDS)
        load_before = loadavg()
        threads0, server0 = thread_ticks(pid), sum(thread_ticks(wineserver).values())
        frames0, t0 = recorded_frames(recordings), time.monotonic()
        if args.profile:
            # Costs CPU of its own: figures of a profiled run are not the judge.
            subprocess.run(["perf", "record", "-q", "-o", f"{args.profile}.{cameras}", "-p", str(pid),
                            "--", "sleep", str(MEASURE_SECONDS)], stdout=subprocess.DEVNULL)
        else:
            time.sleep(MEASURE_SECONDS)
        threads1, server1 = thread_ticks(pid), sum(thread_ticks(wineserver).values())
        frames1, t1 = recorded_frames(recordings), time.monotonic()
        rss = rss_mib(pid)
        load_after = loadavg()
    finally:
        if pid is not None:
            try:
                os.kill(pid, 9)
            except OSError:
                pass
        program.wait(timeout=30)
    seconds = t1 - t0
    percent = {tid: (threads1.get(tid, 0) - threads0.get(tid, 0)) * 100.0 / TICKS / seconds for tid in threads1}
    main = percent.get(pid, 0.0)
    others = sorted((p for tid, p in percent.items() if tid != pid), reverse=True)
    program_total = sum(percent.values())
    server_total = (server1 - server0) * 100.0 / TICKS / seconds
    rates = [(b - a) / seconds for a, b in zip(frames0, frames1)]
    shutil.rmtree(folder, ignore_errors=True)
    return {
        "cameras": cameras, "program": program_total, "main": main, "wineserver": server_total,
        "busiest": others[:cameras], "rest": sum(others[cameras:]), "rates": rates, "rss": rss,
        "load": f"{load_before} -> {load_after}",
    }


def codec_floor(bench_dir, wine):
    """ms per 640x480 picture: decode + encode, and motion detection."""
    codec = subprocess.run([wine, os.path.join(bench_dir, "codec_bench.exe")], capture_output=True, text=True).stdout
    motion = subprocess.run([wine, os.path.join(bench_dir, "motion_bench.exe")], capture_output=True,
                            text=True).stdout
    m = re.search(r"decode ([\d.]+) .*?encode ([\d.]+)", codec, re.S)
    d = re.search(r"640x480\s+detect\s+([\d.]+)", motion)
    if not m or not d:
        return None
    return float(m.group(1)), float(m.group(2)), float(d.group(1))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--bench-dir", required=True)
    parser.add_argument("--cameras", default="1,4,12")
    parser.add_argument("--profile", help="perf record each run into PROFILE.<cameras>")
    args, _ = parser.parse_known_args()
    prefix = os.environ.get("WINEPREFIX", "")
    wineserver = find_process(lambda p, comm: comm.startswith("wineserver") and
                              ("WINEPREFIX=" + prefix).encode() in environ(p))
    if wineserver is None:
        print("no wineserver of this prefix runs: start inside a Wine session (scripts/wine-session)")
        return 1
    folder = tempfile.mkdtemp(prefix="vorrandale_bench_")
    pictures = make_pictures(folder)
    server = MjpegServer(pictures)
    print(f"{len(pictures)} pictures of 640x480, {sum(map(len, pictures)) // len(pictures)} bytes each on average, "
          f"{RATE} frames/s per camera; settle {SETTLE_SECONDS} s, measure {MEASURE_SECONDS} s", flush=True)
    for cameras in [int(c) for c in args.cameras.split(",")]:
        r = measure(args, server, cameras, wineserver)
        if r is None:
            continue
        n = r["cameras"]
        print(f"{n:2d} camera(s)  load {r['load']}")
        print(f"   program {r['program']:6.1f} %  wineserver {r['wineserver']:5.1f} %  "
              f"=> {(r['program'] + r['wineserver']) / n:5.2f} % of a core per camera")
        print(f"   main thread {r['main']:5.1f} % ({r['main'] / n:4.2f} % per camera); busiest {n} other threads "
              f"{' '.join('%.1f' % p for p in r['busiest'])} %; the rest {r['rest']:.1f} %")
        print(f"   recorded frames/s per camera {' '.join('%.1f' % x for x in r['rates'])}; RSS {r['rss']:.0f} MiB",
              flush=True)
    floor = codec_floor(args.bench_dir, args.wine)
    if floor:
        decode, encode, detect = floor
        print(f"codec floor per 640x480 picture: decode {decode:.2f} + encode {encode:.2f} + detect {detect:.2f} ms "
              f"=> {(decode + encode + detect) * RATE / 10:.2f} % of a core per camera at {RATE} frames/s")
    shutil.rmtree(folder, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
