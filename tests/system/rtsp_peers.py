"""RTSP peers for the system tests. ffmpeg encodes (libx264, libx265) and
packetises the video, but it cannot serve RTSP to a player: its listen mode
only receives. So ffmpeg publishes its stream (ANNOUNCE and RECORD, RTP
inside the RTSP TCP connection) to RtspRelay, which serves it to players
as a camera does, with Basic or Digest authentication if asked.
ScriptedRtspServer plays the cameras that go wrong."""
import base64
import hashlib
import os
import re
import socket
import subprocess
import threading
import time


REALM = "camera"
NONCE = "5f1e0c2a9b"


def close_listener(server):
    """shutdown first: on Linux a close alone leaves a blocked accept, and the port, taken."""
    try:
        server.shutdown(socket.SHUT_RDWR)
    except OSError:
        pass
    server.close()


def listen(port=0):
    """A listening socket; port 0 lets the system choose, so no other
    process can take the port between its choice and the bind."""
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(8)
    return server


class Connection:
    """Reads RTSP requests and interleaved ($) frames from one socket."""

    def __init__(self, sock):
        self.sock = sock
        self.data = b""

    def _fill(self):
        chunk = self.sock.recv(65536)
        if not chunk:
            raise ConnectionError("closed")
        self.data += chunk

    def next(self):
        """("frame", channel, payload) or ("request", method, url, headers, body)."""
        while True:
            if self.data[:1] == b"$":
                if len(self.data) >= 4:
                    length = int.from_bytes(self.data[2:4], "big")
                    if len(self.data) >= 4 + length:
                        channel, payload = self.data[1], self.data[4:4 + length]
                        self.data = self.data[4 + length:]
                        return ("frame", channel, payload)
            else:
                end = self.data.find(b"\r\n\r\n")
                if end >= 0:
                    head = self.data[:end].decode("latin-1").split("\r\n")
                    headers = {}
                    for line in head[1:]:
                        name, _, value = line.partition(":")
                        headers[name.strip().lower()] = value.strip()
                    length = int(headers.get("content-length", "0"))
                    if len(self.data) >= end + 4 + length:
                        body = self.data[end + 4:end + 4 + length]
                        self.data = self.data[end + 4 + length:]
                        parts = head[0].split(" ")
                        return ("request", parts[0], parts[1] if len(parts) > 1 else "", headers, body)
            self._fill()


def reply(sock, headers, status="200 OK", extra="", body=b""):
    text = f"RTSP/1.0 {status}\r\nCSeq: {headers.get('cseq', '0')}\r\n{extra}"
    if body:
        text += f"Content-Length: {len(body)}\r\n"
    sock.sendall(text.encode() + b"\r\n" + body)


def md5(text):
    return hashlib.md5(text.encode()).hexdigest()


def authorised(method, headers, auth):
    """auth: None, or (scheme, user, password) with scheme Basic or Digest."""
    if auth is None:
        return True
    scheme, user, password = auth
    given = headers.get("authorization", "")
    if scheme == "Basic":
        return given == "Basic " + base64.b64encode(f"{user}:{password}".encode()).decode()
    if not given.startswith("Digest "):
        return False
    fields = dict(re.findall(r'(\w+)="?([^",]*)"?', given[7:]))
    expected = md5(f"{md5(f'{user}:{REALM}:{password}')}:{NONCE}:{md5(method + ':' + fields.get('uri', ''))}")
    return fields.get("username") == user and fields.get("response") == expected


def challenge(auth):
    if auth[0] == "Basic":
        return f'WWW-Authenticate: Basic realm="{REALM}"\r\n'
    return f'WWW-Authenticate: Digest realm="{REALM}", nonce="{NONCE}"\r\n'


class RtspRelay:
    """Takes one publisher (ffmpeg) on publish_port and serves its stream to
    any number of players on port; with corrupt_every, every so many RTP
    packets reach the players with their payload garbled; without_sprop,
    the session description loses its parameter sets, as some cameras send it."""

    def __init__(self, auth=None, corrupt_every=0, without_sprop=False):
        self.corrupt_every = corrupt_every
        self.without_sprop = without_sprop
        self.auth = auth
        self.sdp = None
        self.players = []
        self.lock = threading.Lock()
        self.publisher = listen()
        self.publish_port = self.publisher.getsockname()[1]
        self.server = listen()
        self.port = self.server.getsockname()[1]
        self.frames = 0
        threading.Thread(target=self._accept_publisher, daemon=True).start()
        threading.Thread(target=self._accept_players, args=(self.server,), daemon=True).start()

    def url(self, user_info=""):
        return f"rtsp://{user_info}127.0.0.1:{self.port}/live"

    def _accept_publisher(self):
        while True:
            try:
                sock, _ = self.publisher.accept()
            except OSError:
                return
            threading.Thread(target=self._publish, args=(sock,), daemon=True).start()

    def _publish(self, sock):
        conn = Connection(sock)
        try:
            while True:
                item = conn.next()
                if item[0] == "frame":
                    self.frames += 1
                    payload = item[2]
                    if self.corrupt_every and item[1] == 0 and self.frames % self.corrupt_every == 0:
                        payload = payload[:12] + bytes(b ^ 0x5A for b in payload[12:])
                    frame = b"$" + bytes([item[1]]) + len(payload).to_bytes(2, "big") + payload
                    with self.lock:
                        players = list(self.players)
                    for player in players:
                        try:
                            player.sendall(frame)
                        except OSError:
                            self._forget(player)
                    continue
                _, method, _, headers, body = item
                if method == "ANNOUNCE":
                    self.sdp = re.sub(rb"sprop-[a-z-]+=[^;\r\n]*;? ?", b"", body) if self.without_sprop else body
                    reply(sock, headers)
                elif method == "SETUP":
                    reply(sock, headers, extra=f"Transport: {headers.get('transport', '')}\r\nSession: 1\r\n")
                else:
                    reply(sock, headers, extra="Session: 1\r\n")
        except (ConnectionError, OSError):
            sock.close()

    def _accept_players(self, server):
        while True:
            try:
                sock, _ = server.accept()
            except OSError:
                return
            threading.Thread(target=self._serve_player, args=(sock,), daemon=True).start()

    def _serve_player(self, sock):
        conn = Connection(sock)
        try:
            while True:
                try:
                    item = conn.next()
                except socket.timeout:
                    continue  # the send timeout set at PLAY; a quiet player is fine
                if item[0] == "frame":
                    continue  # the player's RTCP reports
                _, method, url, headers, _ = item
                if method not in ("OPTIONS", "GET_PARAMETER", "TEARDOWN") and not authorised(
                        method, headers, self.auth):
                    reply(sock, headers, "401 Unauthorized", challenge(self.auth))
                elif method == "OPTIONS":
                    reply(sock, headers, extra="Public: OPTIONS, DESCRIBE, SETUP, PLAY, TEARDOWN, GET_PARAMETER\r\n")
                elif method == "DESCRIBE":
                    deadline = time.time() + 10
                    while self.sdp is None and time.time() < deadline:
                        time.sleep(0.05)
                    reply(sock, headers, extra=f"Content-Base: {url}/\r\nContent-Type: application/sdp\r\n",
                          body=self.sdp or b"")
                elif method == "SETUP":
                    reply(sock, headers,
                          extra="Transport: RTP/AVP/TCP;unicast;interleaved=0-1\r\nSession: 4711;timeout=60\r\n")
                elif method == "PLAY":
                    reply(sock, headers, extra="Session: 4711\r\n")
                    # A player that stops reading is dropped, not waited for.
                    sock.settimeout(2)
                    with self.lock:
                        self.players.append(sock)
                elif method == "TEARDOWN":
                    reply(sock, headers, extra="Session: 4711\r\n")
                    break
                else:
                    reply(sock, headers, extra="Session: 4711\r\n")
        except (ConnectionError, OSError):
            pass
        self._forget(sock)

    def _forget(self, sock):
        with self.lock:
            if sock in self.players:
                self.players.remove(sock)
        try:
            sock.close()
        except OSError:
            pass

    def player_count(self):
        with self.lock:
            return len(self.players)

    def stop_serving(self):
        """Ends every player's stream and refuses new players."""
        close_listener(self.server)
        with self.lock:
            players, self.players = self.players, []
        for player in players:
            try:
                player.shutdown(socket.SHUT_RDWR)
                player.close()
            except OSError:
                pass

    def serve_again(self):
        self.server = listen(self.port)
        threading.Thread(target=self._accept_players, args=(self.server,), daemon=True).start()

    def close(self):
        self.stop_serving()
        close_listener(self.publisher)


def publish(relay, picture, codec, rate=10, alternate=False, b_frames=True, in_band=False):
    """ffmpeg encoding a picture (looped), or a lavfi source when picture
    names one ("testsrc2=WxH", "color=..."), with libx264 or libx265 and
    publishing it to the relay; a key frame every second. alternate: the
    picture's negative every other second. Without b_frames, pictures are
    sent in the order they are shown, as most cameras send them. in_band:
    every key frame carries the parameter sets."""
    if picture.startswith(("testsrc2=", "color=")):
        source = ["-f", "lavfi", "-i", f"{picture}:rate={rate}"]
    else:
        source = ["-loop", "1", "-framerate", str(rate), "-i", picture]
    if alternate:
        source += ["-vf", "negate=enable='mod(floor(t),2)'"]
    params = ["-x265-params", "log-level=error"] if codec == "libx265" else []
    if not b_frames:
        params += ["-bf", "0"]
    if in_band:
        params += ["-bsf:v", "dump_extra=freq=keyframe"]
    command = ["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-re", *source, "-c:v", codec, "-preset",
               "ultrafast", "-g", str(rate), "-pix_fmt", "yuv420p", *params, "-f", "rtsp", "-rtsp_transport", "tcp",
               f"rtsp://127.0.0.1:{relay.publish_port}/live"]
    return subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def end_peers(processes, closables):
    """Ends the ffmpeg peers still running and closes relays and servers."""
    for process in processes:
        if process.poll() is None:
            process.kill()
        process.wait()
    for closable in closables:
        closable.close()


def still_picture(path, size, negated=False):
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", f"testsrc2=size={size}",
                    *(["-vf", "negate"] if negated else []), "-frames:v", "1", path], check=True, timeout=60)


AUDIO_ONLY_SDP = (b"v=0\r\no=- 0 0 IN IP4 127.0.0.1\r\ns=audio\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
                  b"m=audio 0 RTP/AVP 0\r\na=control:track1\r\n")
MPEG4_SDP = (b"v=0\r\no=- 0 0 IN IP4 127.0.0.1\r\ns=mpeg4\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
             b"m=video 0 RTP/AVP 96\r\na=rtpmap:96 MP4V-ES/90000\r\na=control:track1\r\n")


class ScriptedRtspServer:
    """A camera that goes wrong: "audio" describes an audio stream only,
    "mpeg4" a video stream in a codec the program does not decode, "garbage"
    answers DESCRIBE with bytes that are no RTSP, "silent" accepts and never
    answers."""

    def __init__(self, behaviour):
        self.behaviour = behaviour
        self.server = listen()
        self.port = self.server.getsockname()[1]
        threading.Thread(target=self._accept, daemon=True).start()

    def url(self):
        return f"rtsp://127.0.0.1:{self.port}/stream"

    def _accept(self):
        while True:
            try:
                sock, _ = self.server.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(sock,), daemon=True).start()

    def _serve(self, sock):
        conn = Connection(sock)
        try:
            while True:
                item = conn.next()
                if item[0] == "frame" or self.behaviour == "silent":
                    continue
                _, method, url, headers, _ = item
                if method == "DESCRIBE" and self.behaviour == "garbage":
                    sock.sendall(os.urandom(100) + b"\r\n\r\n")
                    sock.close()
                    return
                if method == "DESCRIBE":
                    sdp = MPEG4_SDP if self.behaviour == "mpeg4" else AUDIO_ONLY_SDP
                    reply(sock, headers, extra="Content-Type: application/sdp\r\n", body=sdp)
                elif method == "SETUP":
                    reply(sock, headers, extra="Transport: RTP/AVP/TCP;unicast;interleaved=0-1\r\nSession: 9\r\n")
                else:
                    reply(sock, headers, extra="Public: OPTIONS, DESCRIBE, SETUP, PLAY, TEARDOWN\r\nSession: 9\r\n")
        except (ConnectionError, OSError):
            sock.close()

    def close(self):
        close_listener(self.server)
