#!/usr/bin/env python3
"""Recordings of a camera's own packets, written under Wine, read by ffprobe
and ffmpeg: the packets as sent, a wall-clock time per fragment, and a full
disk that leaves the whole fragments, which decode."""
import json
import os
import struct
import subprocess
import sys
import tempfile

from systest import Checks, arguments, run, wine_path

ENCODERS = {  # 4.5 s at 10 frames/s, a key frame every 10 pictures, no B-frames
    "h264": ["-c:v", "libx264", "-g", "10", "-sc_threshold", "0", "-bf", "0"],
    "hevc": ["-c:v", "libx265", "-x265-params", "keyint=10:min-keyint=10:scenecut=0:bframes=0:log-level=error"],
}
NTP_OFFSET = 2208988800


def packets(path):
    probe = subprocess.run(["ffprobe", "-v", "error", "-show_packets", "-show_data_hash", "sha256", "-of", "json", path],
                           capture_output=True, text=True, timeout=60)
    return [(p["pts"], p["flags"], p["data_hash"]) for p in json.loads(probe.stdout)["packets"]]


def boxes(data):
    offset, found = 0, []
    while offset + 8 <= len(data):
        size, kind = struct.unpack(">I4s", data[offset:offset + 8])
        found.append((kind.decode(), offset, data[offset:offset + size]))
        offset += size
    return found


def main():
    args = arguments("wine", "tool")
    check = Checks("mp4_writer_system")
    start_us = 1_765_000_000_123_000
    with tempfile.TemporaryDirectory() as folder:
        for codec, encoder in ENCODERS.items():
            source, recording = os.path.join(folder, codec + "-camera.mp4"), os.path.join(folder, codec + ".mp4")
            subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=10",
                            "-frames:v", "45", *encoder, "-movflags", "+faststart", source], check=True, timeout=120)
            code, _ = run(args.wine, args.tool, wine_path(source), wine_path(recording), str(start_us))
            check(code == 0, f"{codec}: the writer exits 0 (got {code})")
            sent, kept = packets(source), packets(recording)
            check(len(sent) == 45 and kept == sent, f"{codec}: the file holds the packets as sent ({len(kept)} of {len(sent)})")

            with open(recording, "rb") as f:
                data = f.read()
            found = boxes(data)
            moofs = [offset for kind, offset, _ in found if kind == "moof"]
            # prft: version, flags, track, NTP seconds and fraction.
            stamps = [struct.unpack(">4xII", box[12:24]) for kind, _, box in found if kind == "prft"]
            times_us = [round(((s - NTP_OFFSET) + f / 2**32) * 1e6) for s, f in stamps]
            wanted = [start_us + k * 1_000_000 for k in range(5)]
            check(len(moofs) == 5 and all(abs(t - w) <= 1000 for t, w in zip(times_us, wanted)) and len(times_us) == 5,
                  f"{codec}: a fragment per key frame, each with its wall-clock time ({times_us} for {wanted})")

            # The disk fills in the third fragment, or in the last, written as
            # the file closes: the file ends with the whole fragments before,
            # as a crash there leaves it too.
            for whole, exit_code in ((2, 7), (4, 8)):
                cut = os.path.join(folder, f"{codec}-full{whole}.mp4")
                boundary = next(o for kind, o, _ in found if kind in ("prft", "moof") and o > moofs[whole - 1] + 8)
                code, _ = run(args.wine, args.tool, wine_path(source), wine_path(cut), str(start_us), str(boundary + 500))
                with open(cut, "rb") as f:
                    check(code == exit_code and f.read() == data[:boundary],
                          f"{codec}: a full disk leaves {whole} whole fragments (exit {code})")
                decode = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-i", cut, "-f", "framecrc", "-"],
                                        capture_output=True, text=True, timeout=60)
                frames = [line for line in decode.stdout.splitlines() if not line.startswith("#")]
                check(decode.returncode == 0 and decode.stderr == "" and len(frames) == whole * 10,
                      f"{codec}: their {whole * 10} frames decode ({len(frames)}, {decode.stderr!r})")
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
