#!/usr/bin/env python3
"""The portable zip holds exactly the release's files below one folder named
with the version, and its motion.wav is a valid PCM WAV (read by Python's
wave module, by hand and by ffprobe)."""
import os
import struct
import subprocess
import sys
import tempfile
import wave
import zipfile

from systest import Checks, arguments


def expected_files(path):
    with open(path, encoding="utf-8") as f:
        return {line.strip() for line in f if line.strip() and not line.startswith("#")}


def riff_chunks(data):
    """(id, body) of each chunk inside a RIFF WAVE file."""
    chunks = []
    at = 12
    while at + 8 <= len(data):
        ident, size = struct.unpack_from("<4sI", data, at)
        chunks.append((ident, data[at + 8:at + 8 + size]))
        at += 8 + size + (size & 1)
    return chunks


def main():
    args = arguments("zip", "version", "expected")
    check = Checks("portable_zip")

    top = f"Vorrandale-{args.version}/"
    check(os.path.basename(args.zip) == f"Vorrandale-{args.version}-portable.zip",
          f"the zip is named with the version ({os.path.basename(args.zip)})")
    with zipfile.ZipFile(args.zip) as archive:
        check(archive.testzip() is None, "every entry's checksum matches")
        names = archive.namelist()
        check(all(name.startswith(top) for name in names), f"everything lies below {top}")
        listed = {name[len(top):] for name in names if name.startswith(top) and name != top}
        expected = expected_files(args.expected)
        check(listed == expected,
              f"the files are the expected ones (missing {sorted(expected - listed)}, extra {sorted(listed - expected)})")
        check(len(names) == len(set(names)), "no entry twice")

        def read(name):
            return archive.read(top + name) if top + name in names else b""

        for program in ("Vorrandale.exe", "Framedeck.exe"):
            data = read(program)
            check(data[:2] == b"MZ" and b"PE\0\0" in data[:1024], f"{program} is a Windows program")
        for name in sorted(n for n in listed if n.startswith("licenses/") and not n.endswith("/")):
            check(len(read(name)) > 500, f"{name} holds a licence text")
        readme = read("README.txt").decode("utf-8", "replace")
        check(args.version in readme and "@VERSION@" not in readme, "the README names the version")
        check("\r\n" in readme and "\n" not in readme.replace("\r\n", ""), "the README has Windows line ends")
        sound = read("motion.wav")

    # The WAV by hand: RIFF header, a PCM format chunk, a data chunk that fits.
    check(sound[:4] == b"RIFF" and sound[8:12] == b"WAVE", "motion.wav starts as a RIFF WAVE file")
    check(struct.unpack_from("<I", sound, 4)[0] == len(sound) - 8, "the RIFF size is the file's size")
    chunks = dict(riff_chunks(sound))
    fmt = chunks.get(b"fmt ", b"")
    if check(len(fmt) >= 16, "a format chunk"):
        tag, channels, rate, byte_rate, align, bits = struct.unpack_from("<HHIIHH", fmt)
        check(tag == 1, f"format tag 1, PCM (got {tag})")
        check(channels in (1, 2) and bits in (8, 16) and 8000 <= rate <= 48000,
              f"{channels} channel(s), {bits} bits, {rate} Hz")
        check(align == channels * bits // 8 and byte_rate == rate * align, "block align and byte rate agree")
    data = chunks.get(b"data", b"")
    check(len(data) > 0 and len(data) % 2 == 0, f"a data chunk of whole samples ({len(data)} bytes)")

    # Python's wave module reads PCM only.
    with tempfile.NamedTemporaryFile(suffix=".wav") as f:
        f.write(sound)
        f.flush()
        with wave.open(f.name, "rb") as w:
            frames = w.readframes(w.getnframes())
            seconds = w.getnframes() / w.getframerate()
            check(w.getcomptype() == "NONE" and w.getsampwidth() == 2, "wave reads it as 16-bit PCM")
            check(0.2 <= seconds <= 3.0, f"a short sound ({seconds:.2f} s)")
            samples = struct.unpack(f"<{len(frames) // 2}h", frames)
            peak = max(abs(s) for s in samples)
            check(8000 < peak < 32767, f"loud enough and not clipped (peak {peak})")
            check(abs(samples[0]) < 1000 and abs(samples[-1]) < 1000, "starts and ends quietly, without a click")
        probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=codec_name,sample_rate,duration",
                                "-of", "csv=p=0", f.name], capture_output=True, text=True, timeout=60)
        fields = probe.stdout.strip().split(",")
        check(probe.returncode == 0 and fields[0] == "pcm_s16le" and abs(float(fields[2]) - seconds) < 0.01,
              f"ffprobe reads PCM of the same length ({probe.stdout.strip()!r})")

    return check.result()


if __name__ == "__main__":
    sys.exit(main())
