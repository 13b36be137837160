#!/usr/bin/env python3
"""The player's MP4 reader under Wine against files ffmpeg writes: H.264
with reordered frames (not fragmented, with a creation time) and H.265
fragmented with producer reference times. Every source picture carries its
frame number as a band of cells; stepping, stepping back across a group of
pictures and seeking must land on the expected number, with the expected
capture date. Then the damaged and refused files."""
import os
import struct
import subprocess
import sys
import tempfile
import time

from systest import Checks, arguments, run, wine_path

RATE = 10
# The frame number in 16 cells along the top rows, lowest bit left.
COUNTER = "if(lt(Y,16),16+219*mod(floor(N/pow(2,floor(X*16/W))),2),128)"
CREATED = 1796724000  # 2026-12-08T10:00:00Z
DATE_FORMAT = "%a %b %d %Y (%I:%M:%S %p)"


def encode(path, frames, *codec, size="320x240"):
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                    f"nullsrc=s={size}:r={RATE},format=gray", "-vf", f"geq=lum='{COUNTER}',format=yuv420p",
                    "-frames:v", str(frames), *codec, path], check=True, timeout=120)


def boxes(data):
    """(offset, type) of each top-level box."""
    found, offset = [], 0
    while offset + 8 <= len(data):
        size, kind = struct.unpack_from(">I4s", data, offset)
        found.append((offset, kind))
        offset += size
    return found


def references(path):
    """(media time, Unix seconds) of each top-level prft box."""
    data = open(path, "rb").read()
    found = []
    for offset, kind in boxes(data):
        if kind == b"prft":
            ntp, media = struct.unpack_from(">QQ", data, offset + 16)
            found.append((media, (ntp >> 32) - 2208988800 + (ntp & 0xFFFFFFFF) / 2**32))
    return found


def packets(path):
    """(flags, data hash) of each video packet in decoding order."""
    out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-show_data_hash", "MD5", "-show_entries",
                          "packet=flags,data_hash", "-of", "csv=p=0", path], check=True, capture_output=True,
                         text=True, timeout=60).stdout
    return [tuple(line.split(",")) for line in out.split()]


def counters(path, width=320, height=240):
    """The frame counter drawn in each picture of an image or video file."""
    raw = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "gray", "-"],
                         check=True, capture_output=True, timeout=60).stdout
    pictures = [raw[i:i + width * height] for i in range(0, len(raw), width * height)]
    return [sum(1 << c for c in range(16) if p[8 * width + (2 * c + 1) * width // 32] > 128) for p in pictures]


def moves(wine, tool, path, *words):
    code, out = run(wine, tool, wine_path(path), *words, timeout=120)
    lines = out.splitlines()
    steps = []
    for line in lines:
        if line.startswith(("title=", "error=", "open=", "edit=", "saved=")):
            continue
        move, outcome, counter, at, _, date = line.split(" ", 5)
        steps.append((move, outcome, int(counter.split("=")[1]), float(at.split("=")[1]), date[len("date="):]))
    return code, lines, steps


def main():
    args = arguments("wine", "tool")
    check = Checks("mp4_player_system")
    with tempfile.TemporaryDirectory() as folder:
        h264 = os.path.join(folder, "h264.mp4")
        encode(h264, 60, "-c:v", "libx264", "-g", "10", "-bf", "3", "-crf", "12",
               "-metadata", "creation_time=2026-12-08T10:00:00Z")
        hevc = os.path.join(folder, "hevc fragments.mp4")
        encode(hevc, 48, "-c:v", "libx265", "-x265-params", "log-level=error:keyint=12:min-keyint=12:open-gop=0", "-crf", "12",
               "-tag:v", "hvc1", "-movflags", "frag_keyframe+empty_moov+default_base_moof", "-write_prft", "wallclock")

        # H.264 with B-frames: forward, back across the group boundary at 10, seeks.
        words = ["n"] * 12 + ["p"] * 4 + ["s0.5", "n", "p", "s1", "n", "s0", "p"]
        expected = list(range(12)) + [10, 9, 8, 7] + [29, 30, 29, 59, None, 0, None]
        code, lines, steps = moves(args.wine, args.tool, h264, *words)
        check(code == 0 and "title=Framedeck - h264.mp4" in lines, f"the H.264 file opens ({lines[:2]})")
        got = [s[2] if s[1] == "shown" else None for s in steps]
        check(got == expected, f"H.264 steps and seeks land on {expected} (got {got})")
        dates = {s[2]: s[4] for s in steps if s[1] == "shown"}
        want = time.strftime(DATE_FORMAT, time.localtime(CREATED + 3)) + " (file creation time + time stamp)"
        check(dates.get(30) == want, f"frame 30 is dated from the creation time: {dates.get(30)!r} == {want!r}")
        check(all(s[3] == 0.0 for s in steps[-2:]) and steps[-1][1] == "none", "before the first frame nothing moves")

        # H.265 in fragments with reference times.
        words = ["s0.52", "p", "p", "n", "n", "s1", "n"]
        code, lines, steps = moves(args.wine, args.tool, hevc, *words)
        check(code == 0, f"the fragmented H.265 file opens ({lines[:2]})")
        got = [s[2] if s[1] == "shown" else None for s in steps]
        check(got == [24, 23, 22, 23, 24, 47, None], f"H.265 steps and seeks (got {got})")
        # Fragments start at frames 0, 12, 24 and 36: 24 has its fragment's
        # wall clock, 23 the one of its own plus 1.1 s.
        refs = references(hevc)
        want = [time.strftime(DATE_FORMAT, time.localtime(wall)) for wall in (refs[2][1], refs[1][1] + 1.1)]
        check(len(refs) == 4 and [steps[0][4], steps[1][4]] == want,
              f"frames 24 and 23 are dated from the reference times: {want} ({steps[0][4]!r}, {steps[1][4]!r})")
        # An extract keeps the capture dates: frames 12 to 35 cut, 12, 23 and 24 checked.
        hevc_cut = os.path.join(folder, "hevc cut.mp4")
        moves(args.wine, args.tool, hevc, "s0.3", "a", "s0.6", "b", "x=" + wine_path(hevc_cut))
        _, _, steps = moves(args.wine, args.tool, hevc_cut, *["n"] * 13)
        dates = {s[2]: s[4] for s in steps}
        want = {n: time.strftime(DATE_FORMAT, time.localtime(wall))
                for n, wall in ((12, refs[1][1]), (23, refs[1][1] + 1.1), (24, refs[2][1]))}
        check({n: dates.get(n) for n in want} == want, f"the extract keeps the capture dates {want} ({dates})")

        # A fragment cut short, early in its media data: no frame of it is whole.
        cut = os.path.join(folder, "cut.mp4")
        data = open(hevc, "rb").read()
        last_mdat = [offset for offset, kind in boxes(data) if kind == b"mdat"][-1]
        with open(cut, "wb") as f:
            f.write(data[:last_mdat + 8 + 10])
        code, lines, steps = moves(args.wine, args.tool, cut, "s1", "n", "p")
        got = [s[2] if s[1] == "shown" else None for s in steps]
        check(code == 0 and got == [35, None, 34], f"a cut fragment plays up to the last whole one (got {got})")

        # Cuts copy whole groups of pictures: 17..29 marked is 10..29 cut.
        out = {k: os.path.join(folder, k + ".mp4") for k in ("x", "d", "i", "e", "c")}
        edits = ["x=" + wine_path(out["x"]), "d=" + wine_path(out["d"]),
                 "i=%s,%s" % (wine_path(out["i"]), wine_path(h264)), "e=%s,%s" % (wine_path(out["e"]), wine_path(hevc)),
                 "c=" + wine_path(out["c"])]
        frame, avi = os.path.join(folder, "frame.jpg"), os.path.join(folder, "selection.avi")
        code, lines, marks = moves(args.wine, args.tool, h264, "s0.3", "a", "s0.5", "b", *edits,
                                   "j=" + wine_path(frame), "v=" + wine_path(avi))
        first, last = marks[0][2], marks[1][2]
        check(counters(frame) == [last] and counters(avi) == list(range(first, last + 1)),
              f"the shown frame {last} is saved, the AVI holds frames {first} to {last} ({lines[-2:]})")
        results = [line.split(" ms=")[0] for line in lines if line.startswith("edit=")]
        check(results[:3] == ["edit= from=1.000 to=3.000"] * 3 and "codec" in results[3] and not os.path.exists(out["e"]),
              f"the selection widens to 1 s - 3 s; an H.265 insert into H.264 writes nothing ({results})")
        check(results[4] != "edit= from=1.000 to=3.000" and not os.path.exists(out["c"]),
              f"a stopped extract says so and leaves nothing ({results[4]})")
        source = packets(h264)
        for name, kept in (("x", source[10:30]), ("d", source[:10] + source[30:]),
                           ("i", source[:10] + source + source[10:])):
            got = packets(out[name])
            errors = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-i", out[name], "-f", "null", "-"],
                                    capture_output=True, text=True, timeout=60).stderr
            check([g[1] for g in got] == [k[1] for k in kept] and got[0][0].startswith("K") and not errors,
                  f"{name}: {len(got)} packets equal the source's kept ones, start on a key frame, decode ({errors!r})")
        _, _, steps = moves(args.wine, args.tool, out["x"], "n", "s1")
        want = time.strftime(DATE_FORMAT, time.localtime(CREATED + 1)) + " (file creation time + time stamp)"
        check([s[2] for s in steps] == [10, 29] and steps[0][4] == want,
              f"the extract shows frames 10 to 29, 10 dated {want!r} ({steps})")

        # Files that must be refused with a reason, never a crash.
        refused = {}
        empty = os.path.join(folder, "empty.mp4")
        open(empty, "wb").close()
        refused[empty] = "empty"
        no_moov = os.path.join(folder, "no moov.mp4")
        with open(no_moov, "wb") as f:
            f.write(open(h264, "rb").read()[:2000])
        refused[no_moov] = "moov"
        audio = os.path.join(folder, "audio.mp4")
        subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=d=1", "-c:a", "aac",
                        audio], check=True, timeout=60)
        refused[audio] = "no video"
        big = os.path.join(folder, "big.mp4")
        encode(big, 1, "-c:v", "libx264", "-preset", "ultrafast", size="8192x8192")
        refused[big] = "8192x8192"
        for path, reason in refused.items():
            code, lines, _ = moves(args.wine, args.tool, path, "n")
            errors = [line for line in lines if line.startswith("error=Unable to open mp4 file: ")]
            check(code == 1 and len(errors) == 1 and reason in errors[0],
                  f"{os.path.basename(path)} is refused naming {reason!r} ({lines})")
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
