#!/usr/bin/env python3
"""Exports AVIs under Wine through the player's test binary and checks them
with ffprobe from the Linux side: frame count, rate and frame size."""
import json
import os
import subprocess
import sys
import tempfile

from systest import wine_path

EXPECTED_FRAMES = 20
WIDTH, HEIGHT = 80, 60
RATES = {100: "10/1", 40: "25/1", 0: "30/1"}


def probe(path):
    out = subprocess.run(
        ["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
         "-show_entries", "stream=codec_name,width,height,r_frame_rate,nb_read_frames",
         "-of", "json", path],
        check=True, capture_output=True, text=True).stdout
    return json.loads(out)["streams"][0]


def main():
    test_binary, wine_exec = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        env = dict(os.environ, VR_AVI_OUTPUT_DIR=wine_path(folder))
        run = subprocess.run(
            [wine_exec, test_binary, "--gtest_also_run_disabled_tests",
             "--gtest_filter=AviExportTest.DISABLED_WriteVideosForFfprobe"],
            env=env, capture_output=True, text=True)
        if run.returncode != 0:
            print(run.stdout, run.stderr)
            return 1
        failures = []
        for delay, rate in RATES.items():
            path = os.path.join(folder, "delay_%d.avi" % delay)
            stream = probe(path)
            got = (int(stream["nb_read_frames"]), stream["r_frame_rate"], stream["width"], stream["height"])
            want = (EXPECTED_FRAMES, rate, WIDTH, HEIGHT)
            print("delay %d: %s" % (delay, stream))
            if got != want:
                failures.append("delay %d: got %s, want %s" % (delay, got, want))
        for failure in failures:
            print("FAIL", failure)
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
