#!/usr/bin/env python3
"""A recording written by the Windows build under Wine, read by ffmpeg."""
import os
import re
import subprocess
import sys
import tempfile
import time

from systest import Checks, arguments, wine_path


def timestamps(data):
    # Each frame's first comment segment: FF FE, length, digits, NUL.
    return [int(m.group(1)) for m in re.finditer(rb"\xff\xd8.*?\xff\xfe\x00.(\d+)\x00", data, re.S)]


def main():
    args = arguments("wine", "tool")
    check = Checks("recording_system")

    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "camera 1.mjpg")
        start = int(time.time())
        # Two runs append to the same file, as a worker reopening it would.
        for frames in (5, 4):
            run = subprocess.run([args.wine, args.tool, wine_path(path), str(frames), "637", "211"],
                                 capture_output=True, timeout=120)
            check(run.returncode == 0, f"writer exits 0 (got {run.returncode}) for {frames} frames")
        end = int(time.time()) + 1

        probe = subprocess.run(["ffprobe", "-v", "error", "-f", "mjpeg", "-count_frames", "-select_streams", "v:0",
                                "-show_entries", "stream=nb_read_frames,width,height", "-of", "csv=p=0", path],
                               capture_output=True, text=True, timeout=60)
        check(probe.stdout.strip() == "637,211,9", f"ffprobe sees 9 frames of 637x211 (got {probe.stdout.strip()!r})")
        decode = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "mjpeg", "-i", path, "-f", "null", "-"],
                                capture_output=True, text=True, timeout=60)
        check(decode.returncode == 0 and decode.stderr == "", f"ffmpeg decodes every frame cleanly {decode.stderr!r}")

        with open(path, "rb") as f:
            data = f.read()
        stamps = timestamps(data)
        check(len(stamps) == 9, f"every frame carries a timestamp (found {len(stamps)})")
        check(all(start <= s <= end for s in stamps), f"timestamps lie inside the run {start}..{end}: {stamps}")
        check(data.count(b"\xff\xd9\xff\xd8") == 8, "each frame starts right after the previous one ends")

        # The camera worker's own recording, overlay burnt in.
        worker_path = os.path.join(folder, "worker", "cam.mjpg")
        start = int(time.time())
        run = subprocess.run([args.wine, args.tool, wine_path(worker_path), "6", "320", "240", "worker"],
                             capture_output=True, timeout=120)
        check(run.returncode == 0, f"worker tool exits 0 (got {run.returncode})")
        end = int(time.time()) + 1
        probe = subprocess.run(["ffprobe", "-v", "error", "-f", "mjpeg", "-count_frames", "-select_streams", "v:0",
                                "-show_entries", "stream=nb_read_frames,width,height", "-of", "csv=p=0", worker_path],
                               capture_output=True, text=True, timeout=60)
        check(probe.stdout.strip() == "320,240,6", f"ffprobe sees the worker's 6 frames (got {probe.stdout.strip()!r})")
        with open(worker_path, "rb") as f:
            stamps = timestamps(f.read())
        check(len(stamps) == 6 and all(start <= s <= end for s in stamps), f"worker timestamps inside the run: {stamps}")

        def probe_frames(path):
            probe = subprocess.run(["ffprobe", "-v", "error", "-f", "mjpeg", "-count_frames", "-select_streams", "v:0",
                                    "-show_entries", "stream=nb_read_frames,width,height", "-of", "csv=p=0", path],
                                   capture_output=True, text=True, timeout=60)
            return probe.stdout.strip(), probe.stderr.strip()

        # Three frames from before motion, the motion frame, two of countdown.
        motion_path = os.path.join(folder, "motion", "cam.mjpg")
        run = subprocess.run([args.wine, args.tool, wine_path(motion_path), "5", "160", "120", "premotion"],
                             capture_output=True, timeout=120)
        check(run.returncode == 0, f"premotion tool exits 0 (got {run.returncode})")
        counted, errors = probe_frames(motion_path)
        check(counted == "160,120,6" and errors == "", f"ffprobe sees 3 + 1 + 2 frames (got {counted!r} {errors!r})")
        with open(motion_path, "rb") as f:
            stamps = timestamps(f.read())
        check(len(stamps) == 6 and stamps[0] < stamps[1] < stamps[2] < stamps[3] and stamps[3] <= stamps[5],
              f"the kept frames carry their own earlier times: {stamps}")

        # The disk fills up for one frame and has room again.
        short_path = os.path.join(folder, "short", "cam.mjpg")
        run = subprocess.run([args.wine, args.tool, wine_path(short_path), "6", "320", "240", "shortwrite"],
                             capture_output=True, timeout=120)
        check(run.returncode == 0, f"shortwrite tool saw the failure and the recovery (got {run.returncode})")
        counted, errors = probe_frames(short_path)
        check(counted == "320,240,5" and errors == "", f"ffprobe reads 5 whole frames (got {counted!r} {errors!r})")
        decode = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "mjpeg", "-i", short_path, "-f", "null", "-"],
                                capture_output=True, text=True, timeout=60)
        check(decode.returncode == 0 and decode.stderr == "", f"ffmpeg decodes it cleanly {decode.stderr!r}")
        with open(short_path, "rb") as f:
            data = f.read()
        check(data.count(b"\xff\xd8") == 5 and data.endswith(b"\xff\xd9"), "nothing but whole frames in the file")

    return check.result()


if __name__ == "__main__":
    sys.exit(main())
