#!/usr/bin/env python3
"""The camera program recording ffmpeg's H.264 and H.265 cameras (relays of
rtsp_peers) as sent, a file a minute, beside Linux ffmpeg copying the same
streams to MP4, killed a few seconds into its second files; an age limit
meets an old recording planted beside camera 1's. Camera 1's pictures come
from a smaller second stream; camera 2 announces no parameter sets, sending
them in its key frames."""
import json
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

from rtsp_peers import RtspRelay, end_peers, publish
from systest import Checks, Program, arguments, free_port, wait_for, wine_path
from vorrandale_test import config_bytes, put_text

NTP_OFFSET = 2208988800
CAMERA, CAMERA_RECORD = 560, 1989  # camera 1's settings in the configuration file, and a camera's record
URL, PATH = 748, 1092


def extension_bytes(keep_days, second_url):
    """The configuration extension, version 3: cameras 1 and 2 keep their
    recordings so many days and record as sent, camera 1's pictures from its
    second stream; 3 and 4 record JPEG pictures."""
    records = [struct.pack("<iii", 0, 0, keep_days) + bytes(68) + struct.pack("<i", 1) +
               url.encode().ljust(260, b"\0") for url in (second_url, "")] + [bytes(344)] * 2
    data = b"VREX" + struct.pack("<III", 3, 4, 344) + b"".join(records)
    return data + struct.pack("<I", zlib.crc32(data))


def config(relays, folders, web_port):
    """Camera 1 and camera 2 on their relays, each recording a file a minute."""
    data = bytearray(config_bytes(web_port, relays[0].url(), wine_path(os.path.join(folders[0], "cam_%M.mjpg"))))
    second = bytearray(data[CAMERA:CAMERA + 1364])
    put_text(second, URL, 260, relays[1].url())
    put_text(second, PATH, 260, wine_path(os.path.join(folders[1], "cam_%M.mjpg")))
    data[CAMERA + CAMERA_RECORD:CAMERA + CAMERA_RECORD + 1364] = second
    return bytes(data) + extension_bytes(2, relays[2].url())


def packets(path):
    probe = subprocess.run(["ffprobe", "-v", "error", "-show_packets", "-show_data_hash", "sha256", "-of", "json", path],
                           capture_output=True, text=True, timeout=60)
    return [(p["flags"][0] == "K", p["data_hash"]) for p in json.loads(probe.stdout or "{}").get("packets", [])]


def prft_times(path):
    """The wall-clock time of each fragment, in seconds since 1970, and the fragment count."""
    with open(path, "rb") as f:
        data = f.read()
    offset, stamps, fragments = 0, [], 0
    while offset + 8 <= len(data):
        size, kind = struct.unpack(">I4s", data[offset:offset + 8])
        if kind == b"prft":
            seconds, fraction = struct.unpack(">II", data[offset + 16:offset + 24])
            stamps.append(seconds - NTP_OFFSET + fraction / 2**32)
        fragments += kind == b"moof"
        offset += max(size, 8)
    return stamps, fragments


def decode(path):
    done = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "framecrc", "-"],
                          capture_output=True, text=True, timeout=60)
    frames = [line for line in done.stdout.splitlines() if not line.startswith("#")]
    return done.returncode == 0 and done.stderr == "", len(frames)


def main():
    args = arguments("wine", "exe")
    check = Checks("rtsp_mp4_system")
    folder = tempfile.mkdtemp(prefix="vorrandale_rtsp_mp4_")
    codecs = ("h264", "hevc")
    recs = [os.path.join(folder, codec) for codec in codecs]
    for rec in recs:
        os.makedirs(rec)
    # An old recording of camera 1 the age limit must delete, and files it must leave.
    planted = {name: os.path.join(recs[0], name) for name in ("cam_77.mp4", "other.mp4", "notes.txt")}
    for path in planted.values():
        with open(path, "wb") as f:
            f.write(b"old")
        os.utime(path, (time.time() - 3 * 86400, time.time() - 3 * 86400))
    relays = [RtspRelay(), RtspRelay(without_sprop=True), RtspRelay()]
    publishers = [publish(relays[0], "testsrc2=size=640x360", "libx264", b_frames=False),
                  publish(relays[1], "testsrc2=size=480x272", "libx265", b_frames=False, in_band=True),
                  publish(relays[2], "testsrc2=size=320x180", "libx264", b_frames=False)]
    peer_files = [os.path.join(folder, codec + "-peer.mp4") for codec in codecs]
    peers = [subprocess.Popen(["ffmpeg", "-nostdin", "-v", "error", "-rtsp_transport", "tcp", "-i", relay.url(), "-c",
                               "copy", "-f", "mp4", "-movflags", "frag_keyframe+empty_moov", path],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
             for relay, path in zip(relays, peer_files)]
    web_port = free_port()

    def served_size():
        """The size of camera 1's picture as the web server serves it (HTTPS, made certificate)."""
        got = subprocess.run(["curl", "-sk", "--max-time", "10", "-u", "admin:s3cret",
                              f"https://127.0.0.1:{web_port}/$CAM1"], capture_output=True, timeout=30).stdout
        probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=width,height", "-of", "csv=p=0",
                                "-"], input=got, capture_output=True, timeout=30)
        return probe.stdout.decode().strip()
    program = None

    def recordings(rec):
        # In the order written: at an hour's end cam_00 follows cam_59.
        paths = [os.path.join(rec, n) for n in os.listdir(rec) if n.startswith("cam_") and n != "cam_77.mp4"]
        return sorted(paths, key=lambda p: (os.stat(p).st_mtime_ns, p))

    try:
        exe = os.path.join(folder, "Vorrandale.exe")
        shutil.copy(args.exe, exe)
        with open(os.path.join(folder, "Vorrandale.cfg"), "wb") as f:
            f.write(config(relays, recs, web_port))
        program = Program(args.wine, exe, cwd=folder)
        check(wait_for(lambda: served_size() == "320,180", 60),
              f"camera 1's served picture has its second stream's size ({served_size()!r})")
        # Camera 1's second file a few fragments into it, and camera 2 four
        # fragments into its recording (it may start late on a loaded machine).
        started = wait_for(lambda: len(recordings(recs[0])) >= 2 and len(prft_times(recordings(recs[0])[1])[0]) >= 3
                           and sum(prft_times(path)[1] for path in recordings(recs[1])) >= 4, 100)
        check(started, f"a new file for the new minute ({[os.path.basename(p) for p in recordings(recs[0])]})")
        program.process.kill()
        program.process.wait()
        killed_at = time.time()
        for process in peers:
            process.send_signal(signal.SIGINT)
            process.wait(30)

        check(not os.path.exists(planted["cam_77.mp4"]) and os.path.exists(planted["other.mp4"]) and
              os.path.exists(planted["notes.txt"]), "the age limit deleted the camera's old .mp4 file only")
        for codec, rec, peer_file in zip(codecs, recs, peer_files):
            files = recordings(rec)
            check(len(files) >= 1 + (codec == "h264") and all(p.endswith(".mp4") for p in files),
                  f"{codec}: the .mjpg template records .mp4 files, one a minute ({[os.path.basename(p) for p in files]})")
            sent, kept = packets(peer_file), [p for path in files for p in packets(path)]
            unbroken = any(sent[i:i + len(kept)] == kept for i in range(len(sent) - len(kept) + 1))
            check(len(kept) >= 30 and unbroken,
                  f"{codec}: the files hold {len(kept)} packets as ffmpeg received them, in one run ({len(sent)} received)")
            for path in files:
                name = f"{codec}/{os.path.basename(path)}"
                own = packets(path)
                check(bool(own) and own[0][0], f"{name} starts with a key frame")
                times, fragments = prft_times(path)
                check(fragments > 0 and len(times) == fragments and times == sorted(times) and
                      all(killed_at - 200 < t <= killed_at for t in times),
                      f"{name}: each of its {fragments} fragments carries its wall-clock time")
                clean, frames = decode(path)
                check(clean and frames == len(own), f"{name} decodes without an error ({frames} of {len(own)} pictures)")
    finally:
        if program:
            program.end()
        end_peers(publishers + peers, relays)
        shutil.rmtree(folder, ignore_errors=True)
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
