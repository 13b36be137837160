#!/usr/bin/env python3
"""The IP camera client under Wine, inside a camera worker that records what
it receives, against servers it must cope with: ffmpeg streaming MJPEG over
HTTP, Python's http.server handing out one JPEG per request, and a scripted
camera for what real cameras do wrong. Cases run concurrently in two waves
(the pace-sensitive ones first), each on ports of its own."""
import base64
import os
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

from systest import Checks, arguments, free_port, mjpeg_camera, wine_path

PAGE_404 = (b"HTTP/1.0 401 Unauthorized\r\nContent-Type: text/html\r\n\r\n"
            b"<html><head><title>401</title></head><body>Authorization required</body></html>\r\n")
STREAM_HEADER = b"HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=--cam\r\n\r\n"
SNAPSHOT_HEADER = b"HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\n"


def part(jpeg):
    return b"----cam\r\nContent-Type: image/jpeg\r\nContent-Length: %d\r\n\r\n" % len(jpeg) + jpeg + b"\r\n"


def cut_frames(data):
    """The client's rule: first FF D8, then the first FF D9 after it."""
    frames = []
    while True:
        start = data.find(b"\xff\xd8")
        if start < 0:
            return frames
        end = data.find(b"\xff\xd9", start)
        if end < 0:
            return frames
        frames.append(data[start:end + 2])
        data = data[end + 2:]


class Run:
    """One ipcam_host run: its status texts and pictures, times in ms."""

    def __init__(self, lines):
        self.statuses = []
        self.pictures = []
        self.ended = False
        for line in lines:
            words = line.split(" ", 2)
            if words[0] == "status" and len(words) == 3:
                self.statuses.append((int(words[1]), words[2]))
            elif words[0] == "picture":
                _, ms, size, checksum = line.split()
                self.pictures.append((int(ms), size, checksum))
            elif words[0] == "end":
                self.ended = True

    def texts(self):
        return [t for _, t in self.statuses]

    def first(self, text):
        return next((ms for ms, t in self.statuses if t == text), None)

    def sums(self):
        return [c for _, _, c in self.pictures]


class ScriptedCamera:
    """Accepts connections on its own port; script(conn, index, request)
    answers each one on a thread of its own and returns True to hold the
    connection open until the camera stops."""

    def __init__(self, script, port=None):
        self.script = script
        self.requests = []
        self.accepts = []
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", port or 0))
        self.listener.listen(8)
        self.port = self.listener.getsockname()[1]
        self.held = []
        self.stopping = False
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while not self.stopping:
            try:
                conn, _ = self.listener.accept()
            except OSError:
                return
            self.accepts.append(time.monotonic())
            threading.Thread(target=self._serve, args=(conn, len(self.accepts) - 1), daemon=True).start()

    def _serve(self, conn, index):
        request = b""
        conn.settimeout(5)
        try:
            while b"\r\n\r\n" not in request:
                chunk = conn.recv(4096)
                if not chunk:
                    break
                request += chunk
        except OSError:
            pass
        self.requests.append(request)
        try:
            hold = self.script(conn, index, request)
        except OSError:
            hold = False
        if hold:
            self.held.append(conn)
        else:
            try:
                conn.shutdown(socket.SHUT_WR)
            except OSError:
                pass
            conn.close()

    def stop(self):
        self.stopping = True
        self.listener.close()
        for conn in self.held:
            conn.close()


class Recorder:
    """Relays one client to ffmpeg and keeps every byte ffmpeg sent."""

    def __init__(self, target_port):
        self.target_port = target_port
        self.received = bytearray()
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.port = self.listener.getsockname()[1]
        threading.Thread(target=self._relay, daemon=True).start()

    def _relay(self):
        client, _ = self.listener.accept()
        upstream = None
        deadline = time.monotonic() + 10
        while upstream is None and time.monotonic() < deadline:
            try:
                upstream = socket.create_connection(("127.0.0.1", self.target_port))
            except OSError:
                time.sleep(0.05)
        if upstream is None:
            client.close()
            return

        def forward():
            try:
                while True:
                    data = client.recv(4096)
                    if not data:
                        break
                    upstream.sendall(data)
            except OSError:
                pass
        threading.Thread(target=forward, daemon=True).start()
        try:
            while True:
                data = upstream.recv(65536)
                if not data:
                    break
                self.received += data
                client.sendall(data)
        except OSError:
            pass
        client.close()
        upstream.close()


class Suite:
    def __init__(self, wine, host, folder):
        self.wine = wine
        self.host = host
        self.folder = folder
        self.checks = Checks("ipcam_system")
        self.lock = threading.Lock()

    def check(self, case, condition, what):
        with self.lock:
            self.checks(condition, case + ": " + what)

    def run_host(self, case, url, mode, interval, seconds):
        record = os.path.join(self.folder, case)
        os.makedirs(record, exist_ok=True)
        result = subprocess.run([self.wine, self.host, url, mode, str(interval), wine_path(record), str(seconds)],
                                capture_output=True, text=True, timeout=seconds + 60)
        self.check(case, result.returncode == 0, f"host exits 0 (got {result.returncode}) {result.stderr[-300:]!r}")
        run = Run(result.stdout.splitlines())
        self.check(case, run.ended, "host ran to its end")
        return run, os.path.join(record, "cam.mjpg")

    def decode(self, jpegs):
        """Checksums of the pictures as the client's decoder yields them."""
        files = []
        for i, jpeg in enumerate(jpegs):
            path = os.path.join(self.folder, "decode-%d-%d.jpg" % (threading.get_ident(), i))
            with open(path, "wb") as f:
                f.write(jpeg)
            files.append(wine_path(path))
        sums = []
        for start in range(0, len(files), 40):
            out = subprocess.run([self.wine, self.host, "decode"] + files[start:start + 40],
                                 capture_output=True, text=True, timeout=120).stdout.split("\n")
            sums += [line.split()[1] if " " in line else line for line in out if line]
        return sums

    def recorded_frames(self, path):
        if not os.path.exists(path):
            return 0, None
        probe = subprocess.run(["ffprobe", "-v", "error", "-f", "mjpeg", "-count_frames", "-select_streams", "v:0",
                                "-show_entries", "stream=nb_read_frames,width,height", "-of", "csv=p=0", path],
                               capture_output=True, text=True, timeout=60)
        fields = probe.stdout.strip().split(",")
        if len(fields) != 3:
            return 0, None
        return int(fields[2]), fields[0] + "x" + fields[1]


def gaps(times):
    return [b - a for a, b in zip(times, times[1:])]


# ---- wave 1: real servers and the poll pace -------------------------------

def case_ffmpeg_stream(s, pictures):
    case = "ffmpeg MJPEG stream"
    ffmpeg_port = free_port()
    ffmpeg = mjpeg_camera("testsrc=size=640x480:rate=10", "http://127.0.0.1:%d/stream" % ffmpeg_port)
    relay = Recorder(ffmpeg_port)
    try:
        run, recording = s.run_host("ffmpeg", "http://127.0.0.1:%d/stream" % relay.port, "mjpeg", 200, 8)
    finally:
        ffmpeg.kill()
        ffmpeg.wait()
    sent = s.decode(cut_frames(bytes(relay.received)))
    got = run.sums()
    s.check(case, len(got) >= 25, f"at least 25 pictures in 8 s at 200 ms (got {len(got)})")
    s.check(case, all(size == "640x480" for _, size, _ in run.pictures), "every picture is 640x480")
    positions = [sent.index(c) if c in sent else -1 for c in got]
    s.check(case, -1 not in positions and positions == sorted(set(positions)),
            "the pictures are ffmpeg's frames in order, none repeated")
    steps = gaps(positions)
    s.check(case, steps and statistics.median(steps) == 2,
            f"every 200 ms the newest of ffmpeg's 10 frames/s, not the next queued one (median step {statistics.median(steps) if steps else None})")
    pace = gaps([ms for ms, _, _ in run.pictures])
    s.check(case, pace and 180 <= statistics.median(pace) <= 240 and max(pace[1:] or [0]) < 600,
            f"one picture per 200 ms (median gap {statistics.median(pace) if pace else None} ms, max {max(pace) if pace else None})")
    s.check(case, "Data not a valid Jpeg Image, retrying..." not in run.texts(), "every frame decodes")
    s.check(case, any(t.startswith("Received Jpeg Image, download time: ") for t in run.texts()),
            "status shows the download time")
    frames, size = s.recorded_frames(recording)
    s.check(case, frames == len(got) and size == "640x480", f"the worker recorded every picture ({frames} of {len(got)}, {size})")


def case_http_server(s, pic, pic_sum):
    case = "http.server snapshots"
    port = free_port()
    served = os.path.join(s.folder, "served")
    os.makedirs(served, exist_ok=True)
    with open(os.path.join(served, "snap.jpg"), "wb") as f:
        f.write(pic)
    server = subprocess.Popen([sys.executable, "-m", "http.server", str(port), "--bind", "127.0.0.1",
                               "--directory", served], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    time.sleep(0.5)
    try:
        run, recording = s.run_host("httpserver", "http://127.0.0.1:%d/snap.jpg" % port, "jpeg", 300, 6)
    finally:
        server.terminate()
        log = server.communicate(timeout=10)[1]
    got = run.sums()
    s.check(case, len(got) >= 14, f"at least 14 pictures in 6 s at 300 ms (got {len(got)})")
    s.check(case, all(c == pic_sum for c in got), "every picture is the served JPEG")
    starts = [ms for ms, t in run.statuses if t == "Trying to connect..."]
    pace = gaps(starts[1:])
    s.check(case, pace and 280 <= statistics.median(pace) <= 340,
            f"connections start 300 ms apart (median {statistics.median(pace) if pace else None} ms)")
    s.check(case, log.count('"GET /snap.jpg HTTP/1.0" 200') >= len(got), "the server answered each request with 200")
    frames, size = s.recorded_frames(recording)
    s.check(case, frames == len(got) and size == "640x480", f"the worker recorded every picture ({frames} of {len(got)})")


def case_two_frames(s, tiny_a, tiny_b, sums):
    case = "two frames in one read"
    camera = ScriptedCamera(lambda c, i, r: c.sendall(STREAM_HEADER + part(tiny_a) + part(tiny_b)) or True)
    s.check(case, len(STREAM_HEADER + part(tiny_a) + part(tiny_b)) <= 4096, "both frames fit one 4096-byte read")
    run, _ = s.run_host("twoframes", "http://127.0.0.1:%d/video" % camera.port, "mjpeg", 400, 4)
    camera.stop()
    s.check(case, run.sums() == [sums[1]], f"only the newer frame is delivered ({len(run.pictures)} pictures)")
    s.check(case, len(camera.accepts) == 1, "one connection")


def case_credentials(s, pic, pic_sum):
    case = "credentials"
    expected = "Authorization: Basic " + base64.b64encode(b"viewer:pa:ss w0rd").decode()

    def script(conn, index, request):
        if (expected + "\r\n").encode() in request:
            conn.sendall(SNAPSHOT_HEADER + pic)
        else:
            conn.sendall(PAGE_404)
        return False
    camera = ScriptedCamera(script)
    run, _ = s.run_host("credentials", "http://viewer:pa:ss w0rd@127.0.0.1:%d/secure/pic.jpg" % camera.port,
                        "jpeg", 250, 3)
    camera.stop()
    s.check(case, len(run.pictures) >= 5 and all(c == pic_sum for c in run.sums()),
            f"the camera accepted the credentials ({len(run.pictures)} pictures)")
    want = ("GET /secure/pic.jpg HTTP/1.0\r\nHost: 127.0.0.1:%d\r\n%s\r\n\r\n" % (camera.port, expected)).encode()
    s.check(case, bool(camera.requests) and camera.requests[0] == want, f"request {camera.requests[:1]!r}")


# ---- wave 2: what cameras do wrong ----------------------------------------

def retry_gap(camera):
    return camera.accepts[1] - camera.accepts[0] if len(camera.accepts) >= 2 else None


def case_snapshot_failure(s, name, reply, status):
    camera = ScriptedCamera(lambda c, i, r: c.sendall(reply) or False)
    run, _ = s.run_host(name.replace(" ", ""), "http://127.0.0.1:%d/snap.jpg" % camera.port, "jpeg", 100, 8)
    camera.stop()
    texts = run.texts()
    s.check(name, status in texts, f"status {status!r} (saw {sorted(set(texts))})")
    s.check(name, not run.pictures, "no picture reaches the worker")
    gap = retry_gap(camera)
    s.check(name, gap is not None and 4.7 <= gap <= 6.0, f"retried 5 s later (gap {gap})")
    s.check(name, "Timeout waiting for data, retry in 5sec" not in texts, "no timeout")


def case_held_open(s, pic):
    case = "snapshot held open"
    camera = ScriptedCamera(lambda c, i, r: c.sendall(SNAPSHOT_HEADER + pic) or True)
    run, _ = s.run_host("heldopen", "http://127.0.0.1:%d/snap.jpg" % camera.port, "jpeg", 100, 23)
    camera.stop()
    connect, timeout = run.first("Trying to connect..."), run.first("Timeout waiting for data, retry in 5sec")
    s.check(case, timeout is not None and 19500 <= timeout - connect <= 21500,
            f"timeout 20 s after connecting ({None if timeout is None else timeout - connect} ms)")
    s.check(case, not run.pictures, "the collected bytes are dropped unparsed")


def case_thumbnail(s, with_thumb, tiny_a, sums):
    case = "embedded thumbnail"
    def script(conn, index, request):
        conn.sendall(STREAM_HEADER + part(with_thumb))
        time.sleep(0.3)
        conn.sendall(part(tiny_a))
        return True
    camera = ScriptedCamera(script)
    run, _ = s.run_host("thumbnail", "http://127.0.0.1:%d/video" % camera.port, "mjpeg", 200, 4)
    camera.stop()
    s.check(case, "Data not a valid Jpeg Image, retrying..." in run.texts(),
            "the frame cut at the thumbnail's end does not decode")
    s.check(case, run.sums() == [sums[0]], f"only the next frame reaches the worker ({len(run.pictures)} pictures)")
    bad, good = run.first("Data not a valid Jpeg Image, retrying..."), run.pictures[0][0] if run.pictures else None
    s.check(case, bad is not None and good is not None and 200 <= good - bad <= 450,
            f"the next frame goes out as it arrives ({None if bad is None or good is None else good - bad} ms)")


def case_over_limit(s):
    case = "25 MB without a frame"

    def script(conn, index, request):
        conn.sendall(STREAM_HEADER)
        block = b"\x00" * 65536
        try:
            for _ in range(27 * 16):
                conn.sendall(block)
        except OSError:
            pass
        return True
    camera = ScriptedCamera(script)
    run, _ = s.run_host("overlimit", "http://127.0.0.1:%d/video" % camera.port, "mjpeg", 200, 22)
    camera.stop()
    limit = run.first("25meg Memory Buffer Limit Reached!")
    s.check(case, limit is not None, f"status '25meg Memory Buffer Limit Reached!' (saw {sorted(set(run.texts()))})")
    s.check(case, not run.pictures, "no picture")
    retry = next((ms for ms, t in run.statuses if t == "Trying to connect..." and limit is not None and ms > limit), None)
    s.check(case, len(camera.accepts) >= 2 and retry is not None and 4700 <= retry - limit <= 6000,
            f"reconnects 5 s after the limit ({len(camera.accepts)} connections, "
            f"{None if retry is None or limit is None else retry - limit} ms)")
    if limit is not None:
        s.check(case, limit < 16000, f"limit reached at {limit} ms, in time to see the retry follow")


def case_server_gone(s, tiny_a, tiny_b, sums):
    case = "server gone mid-stream"

    def script(conn, index, request):
        whole = part(tiny_b)
        conn.sendall(STREAM_HEADER + part(tiny_a) + whole[:len(whole) // 2])
        time.sleep(0.3)
        return index > 0
    camera = ScriptedCamera(script)
    run, _ = s.run_host("servergone", "http://127.0.0.1:%d/video" % camera.port, "mjpeg", 200, 8)
    camera.stop()
    s.check(case, run.sums() == [sums[0], sums[0]], f"the whole frame, never the cut one, on each connection ({run.sums()})")
    timeout = run.first("Timeout waiting for data, retry in 5sec")
    s.check(case, timeout is not None and timeout - run.pictures[0][0] < 1500 if run.pictures and timeout else False,
            "the close ends in the data timeout at once")
    gap = retry_gap(camera)
    s.check(case, gap is not None and 4.9 <= gap <= 6.5, f"reconnects 5 s later (gap {gap})")


def case_server_silent(s, tiny_a, sums):
    case = "server silent mid-stream"
    camera = ScriptedCamera(lambda c, i, r: c.sendall(STREAM_HEADER + part(tiny_a)) or True)
    run, _ = s.run_host("serversilent", "http://127.0.0.1:%d/video" % camera.port, "mjpeg", 200, 29)
    camera.stop()
    timeout = run.first("Timeout waiting for data, retry in 5sec")
    first = run.pictures[0][0] if run.pictures else None
    s.check(case, timeout is not None and first is not None and 19000 <= timeout - first <= 21500,
            f"timeout 20 s after the last data ({None if timeout is None or first is None else timeout - first} ms)")
    gap = retry_gap(camera)
    s.check(case, gap is not None and 24.5 <= gap <= 26.5, f"reconnects 5 s after the timeout (gap {gap})")
    s.check(case, run.sums() == [sums[0], sums[0]], f"one picture per connection ({len(run.pictures)})")


def case_refused(s, pic, pic_sum):
    case = "refused port"
    port = free_port()
    record = os.path.join(s.folder, "refused")
    os.makedirs(record, exist_ok=True)
    host = subprocess.Popen([s.wine, s.host, "http://127.0.0.1:%d/snap.jpg" % port, "jpeg", "100", wine_path(record),
                             "9"], stdout=subprocess.PIPE, text=True)
    lines, camera = [], None
    for line in host.stdout:
        lines.append(line.rstrip("\n"))
        if camera is None and line.startswith("status ") and line.endswith(" Unable to connect, retry in 5sec\n"):
            # The camera comes up while the client waits to try again.
            camera = ScriptedCamera(lambda c, i, r: c.sendall(SNAPSHOT_HEADER + pic) or False, port=port)
    host.wait(timeout=60)
    if camera:
        camera.stop()
    run = Run(lines)
    connect, refused = run.first("Trying to connect..."), run.first("Unable to connect, retry in 5sec")
    s.check(case, connect is not None and refused is not None and refused - connect < 1000,
            f"the refusal is told at once ({run.statuses[:3]})")
    first = run.pictures[0][0] if run.pictures else None
    s.check(case, refused is not None and first is not None and 4700 <= first - refused <= 6500,
            f"pictures 5 s after the refusal ({None if first is None or refused is None else first - refused} ms)")
    s.check(case, run.sums() and all(c == pic_sum for c in run.sums()), "every picture is the served JPEG")
    s.check(case, "Timeout waiting for data, retry in 5sec" not in run.texts(), "no data timeout")


def case_bad_urls(s):
    for case, url, status in (("invalid URL", "http://127.0.0.1:0/snap.jpg", "URL appears to be invalid"),
                              ("unknown host", "http://no-such-camera.invalid/snap.jpg", "Unable to resolve host name")):
        run, _ = s.run_host(case.replace(" ", ""), url, "jpeg", 100, 3)
        s.check(case, status in run.texts(), f"status {status!r} (saw {run.texts()})")


def run_wave(cases):
    threads = [threading.Thread(target=fn, args=args) for fn, *args in cases]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


def make_jpeg(folder, name, source, size):
    path = os.path.join(folder, name)
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "%s=size=%s" % (source, size),
                    "-frames:v", "1", "-q:v", "4", path], check=True, timeout=60)
    with open(path, "rb") as f:
        return f.read()


def with_thumbnail(outer, thumb):
    """The outer picture with an APP1 segment, right after its start marker,
    that carries a whole small JPEG, as cameras put an Exif preview there."""
    payload = b"Exif\x00\x00" + thumb
    return outer[:2] + b"\xff\xe1" + (len(payload) + 2).to_bytes(2, "big") + payload + outer[2:]


def main():
    args = arguments("wine", "host")
    began = time.monotonic()
    with tempfile.TemporaryDirectory() as folder:
        s = Suite(args.wine, args.host, folder)
        pic = make_jpeg(folder, "pic.jpg", "testsrc", "640x480")
        tiny_a = make_jpeg(folder, "a.jpg", "testsrc2", "64x48")
        tiny_b = make_jpeg(folder, "b.jpg", "smptebars", "64x48")
        thumb = make_jpeg(folder, "thumb.jpg", "rgbtestsrc", "80x60")
        outer = make_jpeg(folder, "outer.jpg", "testsrc", "320x240")
        thumbed = with_thumbnail(outer, thumb)
        pic_sum, a_sum, b_sum, outer_sum, thumbed_sum = s.decode([pic, tiny_a, tiny_b, outer, thumbed])
        s.check("setup", thumbed_sum == outer_sum and a_sum != b_sum, "the thumbnailed picture decodes whole by itself")

        run_wave([(case_ffmpeg_stream, s, None), (case_http_server, s, pic, pic_sum),
                  (case_two_frames, s, tiny_a, tiny_b, [a_sum, b_sum]), (case_credentials, s, pic, pic_sum),
                  (case_thumbnail, s, thumbed, tiny_a, [a_sum])])
        run_wave([(case_snapshot_failure, s, "header only", SNAPSHOT_HEADER, "No valid data returned, retry in 5sec"),
                  (case_snapshot_failure, s, "closed at once", b"", "No valid data returned, retry in 5sec"),
                  (case_snapshot_failure, s, "html error page", PAGE_404, "Data not a valid Jpeg Image, retry in 5sec"),
                  (case_snapshot_failure, s, "body not a jpeg", SNAPSHOT_HEADER + b"GIF89a" + b"\x01" * 500,
                   "Data not a valid Jpeg Image, retry in 5sec"),
                  (case_held_open, s, pic),
                  (case_over_limit, s), (case_server_gone, s, tiny_a, tiny_b, [a_sum]),
                  (case_server_silent, s, tiny_a, [a_sum]), (case_refused, s, pic, pic_sum), (case_bad_urls, s)])
        print(f"ipcam_system: {time.monotonic() - began:.0f} s")
        return s.checks.result()


if __name__ == "__main__":
    sys.exit(main())
