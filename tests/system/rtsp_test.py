#!/usr/bin/env python3
"""RTSP cameras under Wine: ipcam_host runs a camera worker whose IP camera
reads an rtsp:// URL and records what it receives. Real video comes from
ffmpeg (libx264, libx265) through the relay of rtsp_peers; scripted servers
play the cameras that go wrong. All cases run at once, each on its ports."""
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from rtsp_peers import RtspRelay, ScriptedRtspServer, end_peers, publish, still_picture
from systest import Checks, arguments, free_port, wine_path

# Just over the largest picture a camera may send: an 8192x8192 source kept
# the encoder beside the camera from sending anything for 15 s on a loaded
# machine, and loaded it for every other test.
HUGE = "4160x4160"
# A worker that stops at once, not after its 5-s retry or 20-s data timer:
# 2 s at a load of seven on two cores.
PROMPT_STOP_MS = 2500


class Run:
    """One ipcam_host run: statuses (ms, text, handles), pictures (ms, size)."""

    def __init__(self, text):
        self.statuses, self.pictures, self.stop_ms, self.ended = [], [], None, False
        for line in text.splitlines():
            words = line.split(" ", 2)
            if words[0] == "status" and len(words) == 3:
                self.statuses.append([int(words[1]), words[2], None])
            elif words[0] == "handles" and self.statuses:
                self.statuses[-1][2] = int(words[1])
            elif words[0] == "picture":
                self.pictures.append((int(words[1]), line.split()[2]))
            elif words[0] == "stop":
                self.stop_ms = int(words[1])
            elif words[0] == "end":
                self.ended = True

    def texts(self):
        return [t for _, t, _ in self.statuses]

    def first(self, text, after=0):
        return next((ms for ms, t, _ in self.statuses if t == text and ms >= after), None)


def frames_rgb(path, width, height, *input_args):
    out = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", *input_args, "-i", path, "-f", "rawvideo", "-pix_fmt",
                          "rgb24", "-s", f"{width}x{height}", "-"], capture_output=True, timeout=120).stdout
    size = width * height * 3
    return [out[i:i + size] for i in range(0, len(out) - size + 1, size)]


def mean_difference(a, b):
    return sum(abs(x - y) for x, y in zip(a[::7], b[::7])) / len(a[::7])


def main():
    args = arguments("wine", "host")
    check = Checks("rtsp_system")

    folder = tempfile.mkdtemp(prefix="vorrandale_rtsp_")
    runs = {}

    def host(name, url, seconds, *waits, interval=100):
        record = os.path.join(folder, name)
        os.makedirs(record)
        result = subprocess.run([args.wine, args.host, url, "mjpeg", str(interval), wine_path(record), str(seconds),
                                 *waits],
                                capture_output=True, text=True, timeout=seconds + 120)
        runs[name] = (Run(result.stdout), result.returncode, os.path.join(record, "cam.mjpg"))

    relays, publishers, servers = [], [], []
    try:
        still = os.path.join(folder, "still.png")
        still_picture(still, "640x360")
        small = os.path.join(folder, "small.png")
        still_picture(small, "480x272")
        h264 = RtspRelay(auth=("Digest", "viewer", "s3cret"))
        hevc = RtspRelay(auth=("Basic", "viewer", "s3cret"))
        # The damaged camera shows a picture and its negative in turn, a
        # second each: a damaged picture mixes them and matches neither.
        negative = os.path.join(folder, "negative.png")
        still_picture(negative, "640x360", negated=True)
        lossy = RtspRelay()
        damaged = RtspRelay(corrupt_every=100)
        huge = RtspRelay()
        relays += [h264, hevc, lossy, damaged, huge]
        publishers += [publish(h264, still, "libx264"), publish(hevc, small, "libx265"),
                       publish(lossy, small, "libx264"),
                       publish(damaged, still, "libx264", alternate=True),
                       publish(huge, f"color=c=gray:s={HUGE}", "libx264", rate=2)]
        scripted = {b: ScriptedRtspServer(b) for b in ("audio", "mpeg4", "garbage", "silent")}
        servers += scripted.values()
        # Retry after 100 ms; a stall after 3 s, or 400 ms for the silent server,
        # whose stall is the failure under test, or 15 s for the huge camera,
        # whose encoder may need that long for a key frame on a busy machine.
        # Runs that count attempts or pictures end after enough of them;
        # their seconds are only the longest they may take.
        quick, impatient, patient = ("100", "3000"), ("100", "400"), ("100", "15000")
        cases = {
            "h264": (h264.url("viewer:s3cret@"), 60, "40"),
            "hevc": (hevc.url("viewer:s3cret@"), 60, "40"),
            "lossy": (lossy.url(), 20),
            "damaged": (damaged.url(), 10),
            "refused": (f"rtsp://127.0.0.1:{free_port()}/stream", 90, *quick),
            "password": (h264.url("viewer:wrong@"), 90, *quick),
            "audio": (scripted["audio"].url(), 90, *quick),
            "mpeg4": (scripted["mpeg4"].url(), 90, *quick),
            "garbage": (scripted["garbage"].url(), 90, *quick),
            "silent": (scripted["silent"].url(), 90, *impatient),
            "huge": (huge.url(), 90, *patient, "4"),
        }
        threads = [threading.Thread(target=host, args=(name, *case)) for name, case in cases.items()]
        # Pictures asked for once a second, as often as the camera sends key frames.
        threads.append(threading.Thread(target=host, args=("keys", h264.url("viewer:s3cret@"), 14),
                                        kwargs={"interval": 1000}))
        for thread in threads:
            thread.start()
        # The lossy camera's server goes away mid-stream and comes back.
        deadline = time.time() + 60
        while lossy.player_count() == 0 and time.time() < deadline:
            time.sleep(0.1)
        time.sleep(4)
        lossy.stop_serving()
        time.sleep(2)
        lossy.serve_again()
        for thread in threads:
            thread.join()

        for name, source, width, height in (("h264", still, 640, 360), ("hevc", small, 480, 272)):
            run, code, record = runs[name]
            sizes = {size for _, size in run.pictures}
            check(code == 0 and run.ended, f"{name}: the host ran and ended (exit {code})")
            check(len(run.pictures) >= 20 and sizes == {f"{width}x{height}"},
                  f"{name}: the worker received pictures of {width}x{height} ({len(run.pictures)}, {sizes})")
            gaps = [b[0] - a[0] for a, b in zip(run.pictures, run.pictures[1:])]
            check(gaps and min(gaps) >= 50, f"{name}: at most one picture per interval (shortest gap {min(gaps or [0])} ms)")
            check(f"Receiving {'H.264' if name == 'h264' else 'H.265'} video, {width}x{height}" in run.texts(),
                  f"{name}: the status line names codec and size ({run.texts()[:5]})")
            probe = subprocess.run(["ffprobe", "-v", "error", "-f", "mjpeg", "-count_frames", "-show_entries",
                                    "stream=nb_read_frames,width,height", "-of", "csv=p=0", record],
                                   capture_output=True, text=True, timeout=60).stdout.strip().split(",")
            check(probe[:2] == [str(width), str(height)] and int(probe[2]) >= 20,
                  f"{name}: ffprobe reads the recording ({probe})")
            recorded = frames_rgb(record, width, height, "-f", "mjpeg")
            reference = frames_rgb(source, width, height)
            difference = mean_difference(recorded[-1], reference[0]) if recorded and reference else 255
            check(difference < 8, f"{name}: the recorded picture is the source picture (mean difference {difference:.1f})")
            check(run.stop_ms is not None and run.stop_ms < PROMPT_STOP_MS,
                  f"{name}: the worker stops at once ({run.stop_ms} ms)")

        run, code, record = runs["keys"]
        switched = run.first("Receiving H.264 video, 640x360, decoding key frames only")
        after = [ms for ms, _ in run.pictures if switched is not None and ms > switched]
        seconds = (after[-1] - switched) / 1000 if after else 0
        recorded = frames_rgb(record, 640, 360, "-f", "mjpeg")
        reference = frames_rgb(still, 640, 360)
        difference = mean_difference(recorded[-1], reference[0]) if recorded and reference else 255
        check(3 <= len(after) <= seconds + 2 and difference < 8,
              f"keys: key frames only, then at most a picture a second, the source's ({run.texts()[-2:]}, "
              f"{len(after)} pictures in {seconds:.1f} s, {difference:.1f})")

        run, code, record = runs["damaged"]
        recorded = frames_rgb(record, 640, 360, "-f", "mjpeg")
        references = [frames_rgb(path, 640, 360)[0] for path in (still, negative)]
        worst = max((min(mean_difference(frame, r) for r in references) for frame in recorded), default=255)
        check(code == 0 and run.ended and len(run.pictures) >= 20,
              f"damaged: garbled packets cost pictures, never the reader ({len(run.pictures)} pictures)")
        check(worst < 6, f"damaged: no damaged picture is delivered (worst mean difference {worst:.1f})")

        run, code, _ = runs["lossy"]
        lost = run.first("Stream lost, retry in 5sec")
        again = run.first("Trying to connect...", after=lost or 0) if lost else None
        check(lost is not None, f"lossy: the server's end is a lost stream ({run.texts()})")
        check(again is not None and 4800 <= again - lost <= 6500,
              f"lossy: a new attempt 5 s later ({lost} -> {again})")
        later = [ms for ms, _ in run.pictures if again and ms > again]
        check(len(later) >= 10, f"lossy: pictures again once the server is back ({len(later)})")

        run, code, _ = runs["huge"]
        refused = [t for t in run.texts() if HUGE in t]
        check(code == 0 and run.ended and not run.pictures and len(refused) >= 3,
              f"huge: {HUGE} pictures are refused, naming their size, and tried again ({run.texts()[:4]})")

        expected = {
            "refused": "Unable to connect, retry in 5sec",
            "password": "Authentication refused, retry in 5sec",
            "audio": "No video stream, retry in 5sec",
            "mpeg4": "Unsupported video codec (mpeg4), retry in 5sec",
            "garbage": "Not a valid RTSP answer, retry in 5sec",
            "silent": "Timeout waiting for data, retry in 5sec",
        }
        for name, text in expected.items():
            run, code, _ = runs[name]
            failed = [s for s in run.statuses if s[1] == text]
            check(code == 0 and run.ended and not run.pictures, f"{name}: no crash, no picture (exit {code})")
            check(len(failed) >= 20, f"{name}: {len(failed)} attempts end with {text!r} ({run.texts()[:4]})")
            handles = [h for _, _, h in failed if h]
            early, late = handles[1:6], handles[-5:]
            # The least of five samples, early and late: a sample can catch the
            # next attempt's socket open. The reader's lock gets its event handle
            # the first time both threads want it at once, at any attempt; a leak
            # would add one or more at every attempt.
            check(len(handles) >= 20 and min(late) <= min(early) + 1,
                  f"{name}: open handles back where they were after {len(handles)} attempts ({early} -> {late})")
            check(run.stop_ms is not None and run.stop_ms < PROMPT_STOP_MS,
                  f"{name}: the worker stops at once ({run.stop_ms} ms)")
    finally:
        end_peers(publishers, relays + servers)
        shutil.rmtree(folder, ignore_errors=True)

    return check.result()


if __name__ == "__main__":
    sys.exit(main())
