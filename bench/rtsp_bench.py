#!/usr/bin/env python3
"""The cost of one 1920x1080 H.264 RTSP camera at 10 frames/s: Vorrandale.exe
under Wine with that camera alone, decoding only (recording off) and decoding
plus recording every frame (motion detection off); beside it, from the same
stream in the same run, Linux ffmpeg decoding it on one thread (to null) and
decoding plus writing MJPEG. The stream is encoded once beforehand and
published with -c copy, so no encoder shares the cores while measuring. CPU
time is read from /proc over MEASURE seconds after SETTLE. Run inside a Wine
session (scripts/bench does)."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "system"))
from rtsp_peers import RtspRelay  # noqa: E402
from vorrandale_bench import TICKS, environ, find_process, loadavg, rss_mib, start_program, thread_ticks  # noqa: E402
from vorrandale_test import config_bytes, free_port, put_int, wine_path  # noqa: E402

SETTLE = int(os.environ.get("VR_BENCH_SETTLE", "8"))
MEASURE = int(os.environ.get("VR_BENCH_SECONDS", "20"))
CAMERA = 560  # camera 1's settings in the configuration file
MOTION_ENABLED, RECORD_ENABLED = 360, 1016


def encode_stream(folder):
    path = os.path.join(folder, "camera.mkv")
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=10",
                    "-t", "30", "-c:v", "libx264", "-preset", "veryfast", "-g", "20", "-pix_fmt", "yuv420p", path],
                   check=True, timeout=600)
    return path


def publish_copy(relay, path):
    return subprocess.Popen(["ffmpeg", "-nostdin", "-v", "error", "-re", "-stream_loop", "-1", "-i", path, "-c",
                             "copy", "-f", "rtsp", "-rtsp_transport", "tcp",
                             f"rtsp://127.0.0.1:{relay.publish_port}/live"], stdout=subprocess.DEVNULL)


def wineserver_pid():
    prefix = ("WINEPREFIX=" + os.environ.get("WINEPREFIX", "")).encode()
    return find_process(lambda p, comm: comm.startswith("wineserver") and prefix in environ(p))


def measure_pid(pid, frames_of):
    """CPU of pid and of the wineserver, in % of a core, and frames written per second."""
    server = wineserver_pid()
    time.sleep(SETTLE)
    load = loadavg()
    threads0, server0, frames0, t0 = thread_ticks(pid), sum(thread_ticks(server).values()), frames_of(), time.monotonic()
    time.sleep(MEASURE)
    threads1, server1, frames1, t1 = thread_ticks(pid), sum(thread_ticks(server).values()), frames_of(), time.monotonic()
    seconds = t1 - t0
    percent = {tid: (ticks - threads0.get(tid, 0)) * 100.0 / TICKS / seconds for tid, ticks in threads1.items()}
    others = sorted((p for tid, p in percent.items() if tid != pid), reverse=True)
    return {"cpu": sum(percent.values()), "main": percent.get(pid, 0.0), "busiest": others[:3],
            "rate": (frames1 - frames0) / seconds,
            "server": (server1 - server0) * 100.0 / TICKS / seconds, "rss": rss_mib(pid),
            "load": f"{load} -> {loadavg()}"}


def jpeg_count(path):
    try:
        with open(path, "rb") as f:
            return f.read().count(b"\xff\xd8\xff")
    except OSError:
        return 0


def ours(args, relay, record):
    folder = tempfile.mkdtemp(prefix="vorrandale_rtsp_bench_")
    exe = os.path.join(folder, "Vorrandale.exe")
    shutil.copy(args.exe, exe)
    recording = os.path.join(folder, "camera1.mjpg")
    config = bytearray(config_bytes(free_port(), relay.url(), wine_path(recording)))
    put_int(config, CAMERA + MOTION_ENABLED, 0)
    put_int(config, CAMERA + RECORD_ENABLED, 1 if record else 0)
    with open(os.path.join(folder, "Vorrandale.cfg"), "wb") as f:
        f.write(config)
    program, pid = start_program(args.wine, exe, folder)
    try:
        if pid is None:
            return None
        return measure_pid(pid, lambda: jpeg_count(recording))
    finally:
        # Exit, not a kill: a killed Wine process can leave its sockets to
        # the wineserver, which then spins on them for the rest of the run.
        subprocess.run([args.wine, args.tool, "command", "168"], capture_output=True, timeout=60)
        try:
            program.wait(timeout=30)
        except subprocess.TimeoutExpired:
            if pid is not None:
                os.kill(pid, 9)
            program.wait(timeout=30)
        shutil.rmtree(folder, ignore_errors=True)


def peer(relay, record, folder):
    output = os.path.join(folder, "peer.mjpg")
    sink = ["-c:v", "mjpeg", "-q:v", "5", "-threads", "1", "-y", output] if record else ["-f", "null", "-"]
    process = subprocess.Popen(["ffmpeg", "-nostdin", "-v", "error", "-threads", "1", "-rtsp_transport", "tcp", "-i",
                                relay.url(), *sink], stdout=subprocess.DEVNULL)
    try:
        return measure_pid(process.pid, lambda: jpeg_count(output) if record else 0)
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
    folder = tempfile.mkdtemp(prefix="rtsp_bench_")
    relay = RtspRelay()
    publisher = None
    try:
        publisher = publish_copy(relay, encode_stream(folder))
        print(f"one 1920x1080 H.264 camera at 10 frames/s; settle {SETTLE} s, measure {MEASURE} s", flush=True)
        for name, run in (("Vorrandale, decoding", lambda: ours(args, relay, False)),
                          ("ffmpeg, decoding (1 thread, to null)", lambda: peer(relay, False, folder)),
                          ("Vorrandale, decoding + recording", lambda: ours(args, relay, True)),
                          ("ffmpeg, decoding + MJPEG (1 thread)", lambda: peer(relay, True, folder))):
            result = run()
            if result is None:
                print(f"  {name}: did not start", flush=True)
                continue
            rate = f", {result['rate']:.1f} frames/s written" if result["rate"] else ""
            server = ""
            if name.startswith("Vorrandale"):
                busiest = ", ".join(f"{p:.1f}" for p in result["busiest"])
                server = (f" (main thread {result['main']:.1f}, busiest others {busiest})"
                          f" + wineserver {result['server']:.1f} %")
            print(f"  {name:38s} {result['cpu']:5.1f} % of a core{server}{rate}, {result['rss']:.0f} MiB resident "
                  f"(load {result['load']})", flush=True)
    finally:
        if publisher:
            publisher.kill()
            publisher.wait()
        relay.close()
        shutil.rmtree(folder, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
