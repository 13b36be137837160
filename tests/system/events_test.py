#!/usr/bin/env python3
"""The camera program's events under Wine: a snapshot camera whose picture
the test changes, mosquitto, aiosmtpd with STARTTLS and a login, and an
HTTPS hook receiver. One motion gives one event row, one mail with its
thumbnail, one hook call per start and end, and the MQTT messages in order;
a second one within the cool-down reaches MQTT only. Killed mid-event, the
broker says "offline" and the store opens with every event; started again,
the open event is closed and the age limit takes an old event with old
recordings."""
import email
import email.policy
import http.server
import os
import re
import shutil
import sqlite3
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
import alert_peers  # noqa: E402
from mqtt_broker import Broker, Observer  # noqa: E402
from systest import Checks, Program, arguments, free_port, wait_for, wine_path  # noqa: E402
from vorrandale_test import config_bytes, put_int  # noqa: E402

CAMERA = 560  # camera 1's settings in the configuration file
DAY = 86400


def put(buf, offset, size, text):
    buf[offset:offset + size] = text.encode().ljust(size, b"\0")


def extension(servers, cool_down=60):
    """Version 4: camera 1 "Front door" keeps a day and tells everyone, the others stay quiet."""
    first = struct.pack("<iii", 0, 0, 1) + b"Front door".ljust(64, b"\0") + bytes(268) + struct.pack(
        "<5i", 1, 1, 1, cool_down, 0)
    rest = bytes(344) + struct.pack("<5i", 0, 0, 0, 60, 0)
    data = b"VREX" + struct.pack("<III", 4, 4, 364) + first + rest * 3
    data += struct.pack("<I", zlib.crc32(data))
    block = struct.pack("<I", 540 + 2392) + struct.pack("<iii", 1, 0, 0) + bytes(520) + struct.pack("<ii", 0, 80)
    block += servers
    return data + block + struct.pack("<I", zlib.crc32(block))


def servers(smtp_port, hook_port, broker, cert):
    s = bytearray(2392)
    put(s, 0, 256, "localhost")
    s[256:264] = struct.pack("<ii", smtp_port, 1)
    put(s, 264, 128, "alice")
    put(s, 392, 128, "right")
    put(s, 520, 256, "cams@example.org")
    put(s, 776, 256, "owner@example.org")
    put(s, 1032, 512, f"https://localhost:{hook_port}/hook")
    put(s, 1544, 256, "127.0.0.1")
    s[1800:1808] = struct.pack("<ii", broker.port, 0)
    put(s, 1808, 128, broker.user)
    put(s, 1936, 128, broker.password)
    put(s, 2064, 64, "vorrandale")
    put(s, 2128, 260, wine_path(cert))
    s[2388:2392] = struct.pack("<i", 100000)
    return bytes(s)


class SnapshotCamera:
    """Serves `picture` as the camera's JPEG snapshot."""

    def __init__(self, picture):
        self.picture = picture
        camera = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                body = camera.picture
                self.send_response(200)
                self.send_header("Content-Type", "image/jpeg")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}/snapshot.jpg"


def jpeg(work, name, source):
    path = os.path.join(work, name)
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", source, "-frames:v", "1", "-y", path],
                   check=True, timeout=60)
    return open(path, "rb").read()


def width_of(picture):
    probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=width", "-of", "csv=p=0", "-"],
                           input=picture, capture_output=True, timeout=30)
    return probe.stdout.decode().strip()


def main():
    args = arguments("wine", "exe")
    check = Checks("events_system")
    work = tempfile.mkdtemp(prefix="vorrandale_events_")
    rec = os.path.join(work, "rec")
    os.makedirs(rec)
    old_recording = os.path.join(rec, "cam_77.mjpg")
    with open(old_recording, "wb") as f:
        f.write(b"old")
    os.utime(old_recording, (time.time() - 3 * DAY, time.time() - 3 * DAY))
    cert, key = alert_peers.make_certificate(work)
    still, moving = jpeg(work, "still.jpg", "color=gray:size=640x480"), jpeg(work, "moving.jpg", "testsrc=size=640x480")
    camera = SnapshotCamera(still)
    broker_folder = os.path.join(work, "broker")
    os.makedirs(broker_folder)
    broker = Broker(broker_folder, "cams", "pw")
    observer = Observer(broker, ["vorrandale/#", "homeassistant/#"])
    mail = alert_peers.MailServer(free_port(), cert, key, "alice", "right")
    hook = alert_peers.HookReceiver(cert, key, {})
    web_port = free_port()
    program = None

    def motions():
        return [m[2] for m in observer.messages if m[1] == "vorrandale/1/motion"]

    try:
        exe = os.path.join(work, "Vorrandale.exe")
        shutil.copy(args.exe, exe)
        settings = bytearray(config_bytes(web_port, camera.url, wine_path(os.path.join(rec, "cam_%M.mjpg"))))
        put_int(settings, CAMERA + 360, 1)  # motion detection on
        put_int(settings, CAMERA + 1012, 0)  # JPEG snapshots
        put_int(settings, CAMERA + 1088, 200)  # a picture every 200 ms
        with open(os.path.join(work, "Vorrandale.cfg"), "wb") as f:
            f.write(bytes(settings) + extension(servers(mail.controller.port, hook.port, broker, cert)))
        program = Program(args.wine, exe, cwd=work)
        check(observer.saw("vorrandale/availability", b"online") and
              observer.wait(lambda ms: any(m[1].startswith("homeassistant/") for m in ms)) and
              broker.retained(["homeassistant/#"], 1),
              "the program says it is online and announces its cameras to Home Assistant, retained")
        time.sleep(1)  # a few still pictures first: the change below is the only motion
        camera.picture = moving
        check(observer.wait(lambda ms: motions() == [b"ON", b"OFF"], 30), f"motion ON, then OFF ({motions()})")
        topics = [m[1] for m in observer.messages if m[1].startswith("vorrandale/1/")]
        check(topics.index("vorrandale/1/motion") < topics.index("vorrandale/1/snapshot"),
              "the snapshot follows the motion's start")
        snapshot = [m[2] for m in observer.messages if m[1] == "vorrandale/1/snapshot"][-1]
        check(width_of(snapshot) == "640", "the snapshot is the camera's whole picture")
        check(wait_for(lambda: len(mail.messages) == 1 and len(hook.posts) == 2, 30),
              f"one mail and two hook calls ({len(mail.messages)}, {len(hook.posts)})")
        document = hook.posts[0]["json"]
        served = subprocess.run(["curl", "-sk", "-u", "admin:s3cret", f"https://127.0.0.1:{web_port}/" +
                                 str(document.get("picture")).rsplit("/", 1)[-1]], capture_output=True,
                                timeout=30).stdout
        # The same picture again: within the cool-down, MQTT alone hears of it.
        camera.picture = still
        check(observer.wait(lambda ms: motions() == [b"ON", b"OFF", b"ON"], 30), "a second motion reaches MQTT")
        program.process.kill()
        program.process.wait()
        check(observer.saw("vorrandale/availability", b"offline"), "killed, the broker says the program is offline")
        check(len(mail.messages) == 1 and len(hook.posts) == 2, "the second motion, in the cool-down, told no one")

        db = sqlite3.connect(os.path.join(work, "Vorrandale.events.db"))
        check(db.execute("PRAGMA integrity_check").fetchone()[0] == "ok", "the store opens after the kill")
        rows = db.execute("SELECT e.id, camera, camera_name, kind, end_time, level, recording, jpeg FROM events e "
                          "LEFT JOIN thumbnails t ON t.event_id = e.id ORDER BY e.id").fetchall()
        check([(r[1], r[2], r[3]) for r in rows] == [(1, "Front door", 1)] * 2,
              f"two motion events of camera 1 ({[r[1:4] for r in rows]})")
        first, second = rows[0], rows[1]
        check(first[4] is not None and second[4] is None and first[5] > 20 and first[6].endswith(".mjpg"),
              f"the first ended with its level and recording, the second was open at the kill "
              f"({first[4:7]}, {second[4]})")
        check(document.get("camera") == 1 and document.get("name") == "Front door" and served == first[7],
              f"the hook names the camera and the event's picture, which the web server serves ({document})")
        message = email.message_from_bytes(mail.messages[0], policy=email.policy.default)
        attachments = [part.get_content() for part in message.iter_attachments()]
        check(re.fullmatch(r"Motion on Camera 1 \(Front door\) at \d\d:\d\d:\d\d", message["Subject"] or "") and
              attachments == [first[7]] and width_of(first[7]) == "320",
              f"the mail says what and where ({message['Subject']}) with the event's thumbnail")
        # Restarted after the event aged three days: the age limit takes it with the old recording.
        db.execute("UPDATE events SET start_time = start_time - ?, end_time = end_time - ? WHERE id = ?",
                   (3 * DAY, 3 * DAY, first[0]))
        db.commit()
        db.close()
        restarted = int(time.time())
        program = Program(args.wine, exe, cwd=work)
        picture = f"https://127.0.0.1:{web_port}/$EVENT{first[0]}"
        check(wait_for(lambda: not os.path.exists(old_recording), 60) and
              wait_for(lambda: subprocess.run(["curl", "-sk", "-o", "/dev/null", "-w", "%{http_code}", "-u",
                                               "admin:s3cret", picture], capture_output=True,
                                              timeout=30).stdout == b"404", 60),
              "the age limit deleted the old recording, and the old event's picture is gone from the web server")
        program.process.kill()
        program.process.wait()
        db = sqlite3.connect(os.path.join(work, "Vorrandale.events.db"))
        kept = dict(db.execute("SELECT id, end_time FROM events").fetchall())
        check(first[0] not in kept and db.execute("SELECT COUNT(*) FROM thumbnails WHERE event_id = ?",
                                                  (first[0],)).fetchone()[0] == 0,
              "the old event went with its thumbnail")
        check((kept.get(second[0]) or 0) >= restarted,
              f"the event the kill left open ended at the restart ({kept}, {restarted})")
        db.close()
    finally:
        if program:
            program.end()
        for peer in (mail, hook):
            peer.stop()
        observer.process.kill()
        broker.stop()
        shutil.rmtree(work, ignore_errors=True)
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
