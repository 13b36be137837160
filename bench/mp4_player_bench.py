#!/usr/bin/env python3
"""The player's MP4 reader on a large fragmented 1920x1080 H.264 recording
(VR_BENCH_MP4_SECONDS long, 600 s by default, at 25 Mbit/s: about 1 GiB;
groups of pictures of 2 s): open, a step forward, a step back across a group
boundary, a seek to the middle and a lossless extract of the middle half,
as mp4_steps times them under Wine; beside it, in the same run, ffprobe
reading the same file's index, `ffmpeg -ss X -i F -frames:v 1` seeking,
`ffmpeg -c copy` cutting the same half and `cp` copying the whole file
(the cut's rate is counted in bytes written). Run inside a Wine session
(scripts/bench does)."""
import argparse
import os
import subprocess
import sys
import tempfile
import time

SECONDS = int(os.environ.get("VR_BENCH_MP4_SECONDS", "600"))  # about 1 GiB
RATE = 10


def timed(command):
    start = time.monotonic()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
    return (time.monotonic() - start) * 1000.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--host", required=True, help="a test tool; mp4_steps is found beside it")
    args, _ = parser.parse_known_args()
    tool = os.path.join(os.path.dirname(args.host), "mp4_steps.exe")
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "large.mp4")
        subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i",
                        f"testsrc2=size=1920x1080:rate={RATE}", "-t", str(SECONDS), "-c:v", "libx264", "-preset",
                        "ultrafast", "-b:v", "25M", "-g", str(2 * RATE), "-pix_fmt", "yuv420p", "-movflags",
                        "frag_keyframe+empty_moov+default_base_moof", path], check=True, timeout=1800)
        size = os.path.getsize(path)
        # 2 s per group: from the 21st frame back crosses into the first group.
        moves = ["s0"] + ["n"] * (2 * RATE) + ["p", "s0.5"]
        win = "Z:" + path.replace("/", "\\")
        out = subprocess.run([args.wine, tool, win, *moves], capture_output=True, text=True, timeout=600).stdout
        lines = out.replace("\r", "").splitlines()
        opened = next(line for line in lines if line.startswith("open="))
        ms = [int(line.split(" ms=")[1].split()[0]) for line in lines[1:] if " ms=" in line]
        steps = ms[1:-2]
        print(f"file: {size / 2**20:.0f} MiB, {SECONDS * RATE} frames, 1920x1080 H.264 in fragments")
        print(f"ours under Wine: {opened}; step forward {sum(steps) / len(steps):.1f} ms mean, "
              f"step back across a group {ms[-2]} ms, seek to the middle {ms[-1]} ms")
        probe = timed(["ffprobe", "-v", "error", "-show_entries", "stream=nb_frames", path])
        seek = timed(["ffmpeg", "-nostdin", "-v", "error", "-ss", str(SECONDS / 2), "-i", path, "-frames:v", "1",
                      "-f", "null", "-"])
        print(f"ffprobe reading the index: {probe:.0f} ms; ffmpeg -ss to the middle, one frame: {seek:.0f} ms")

        # Each output is written on a flushed page cache, twice in turn, and
        # the better rate kept: a run right behind another's writes pays for
        # their flushing.
        out_file = os.path.join(folder, "out.mp4")
        win_out = "Z:" + out_file.replace("/", "\\")

        def ours():
            out = subprocess.run([args.wine, tool, win, "s0.25", "a", "s0.75", "b", "x=" + win_out],
                                 capture_output=True, text=True, timeout=600).stdout
            edit = next(line for line in out.replace("\r", "").splitlines() if line.startswith("edit="))
            return int(edit.split(" ms=")[1])

        runs = {"ours": ours, "cp": lambda: timed(["cp", path, out_file]),
                "ffmpeg -c copy": lambda: timed(["ffmpeg", "-nostdin", "-v", "error", "-ss", str(SECONDS / 4), "-i",
                                                 path, "-t", str(SECONDS / 2), "-c", "copy", out_file])}
        best, written = {}, {}
        for _ in range(2):
            for name, run_one in runs.items():
                subprocess.run(["sync"], check=True)
                ms = run_one()
                written[name] = os.path.getsize(out_file)
                os.remove(out_file)
                best[name] = max(best.get(name, 0.0), written[name] / 2**20 / (ms / 1000.0))
        print(f"extract of the middle half ({written['ours'] / 2**20:.0f} MiB): ours {best['ours']:.0f} MiB/s under "
              f"Wine ({best['ours'] / best['cp']:.2f} of cp); cp (whole file) {best['cp']:.0f} MiB/s; "
              f"ffmpeg -c copy {best['ffmpeg -c copy']:.0f} MiB/s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
