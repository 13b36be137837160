#!/usr/bin/env python3
"""How soon an alert arrives: Vorrandale.exe under Wine with one snapshot
camera whose picture the bench changes, so that each change is one motion
event; from the moment the camera served the changed picture (it enters the
worker a few milliseconds later) to the motion's message at a local
mosquitto and its POST at a local HTTPS hook receiver. Goal: under one save
interval plus 300 ms. The store's own cost per event and its size come from
event_store_bench."""
import argparse
import os
import shutil
import statistics
import sys
import tempfile
import time

# aiosmtpd, which the peers' module needs, is Debian's: run by its Python.
if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3"):
    os.execv("/usr/bin/python3", ["/usr/bin/python3", *sys.argv])

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "system"))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "fixtures"))
import alert_peers  # noqa: E402
from events_test import CAMERA, SnapshotCamera, extension, jpeg, servers  # noqa: E402
from mqtt_broker import Broker, Observer  # noqa: E402
from systest import Program, free_port, wine_path  # noqa: E402
from vorrandale_test import config_bytes, put_int  # noqa: E402


class TimedCamera(SnapshotCamera):
    """Remembers when each new picture was first served."""

    def __init__(self, picture):
        super().__init__(picture)
        self.changed_at = None
        self.first_served = None
        inner = self.server.RequestHandlerClass.do_GET
        camera = self

        def do_get(handler):
            if camera.changed_at is not None and camera.first_served is None:
                camera.first_served = time.time()
            inner(handler)

        self.server.RequestHandlerClass.do_GET = do_get

    def change(self, picture):
        self.first_served = None
        self.changed_at = time.time()
        self.picture = picture


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--interval", type=int, default=1000, help="the camera's save interval, ms")
    parser.add_argument("--events", type=int, default=8)
    args, _ = parser.parse_known_args()
    work = tempfile.mkdtemp(prefix="vorrandale_alerts_bench_")
    cert, key = alert_peers.make_certificate(work)
    pictures = [jpeg(work, "still.jpg", "color=gray:size=1280x720"),
                jpeg(work, "moving.jpg", "testsrc=size=1280x720")]
    camera = TimedCamera(pictures[0])
    broker_folder = os.path.join(work, "broker")
    os.makedirs(broker_folder)
    broker = Broker(broker_folder, "cams", "pw")
    observer = Observer(broker, ["vorrandale/#"])
    hook = alert_peers.HookReceiver(cert, key, {})
    program = None
    mqtt_ms, hook_ms = [], []
    try:
        exe = os.path.join(work, "Vorrandale.exe")
        shutil.copy(args.exe, exe)
        settings = bytearray(config_bytes(free_port(), camera.url, wine_path(os.path.join(work, "cam_%M.mjpg"))))
        put_int(settings, CAMERA + 360, 1)  # motion detection on
        put_int(settings, CAMERA + 384, 0)  # no pictures recorded after motion: the event ends soon
        put_int(settings, CAMERA + 1012, 0)  # JPEG snapshots
        put_int(settings, CAMERA + 1088, args.interval)
        # No mail server: mail is not measured, and its failures must not matter.
        servers_bytes = bytearray(servers(1, hook.port, broker, cert))
        servers_bytes[0:256] = bytes(256)
        with open(os.path.join(work, "Vorrandale.cfg"), "wb") as f:
            f.write(bytes(settings) + extension(bytes(servers_bytes), cool_down=0))
        program = Program(args.wine, exe, cwd=work)
        if not observer.saw("vorrandale/availability", b"online"):
            raise RuntimeError("the program never came online")
        time.sleep(3 * args.interval / 1000)  # still pictures first
        for n in range(args.events):
            starts = len([m for m in observer.messages if m[1:] == ("vorrandale/1/motion", b"ON")])
            posts = len([p for p in hook.posts if p["json"].get("event") == "start"])
            camera.change(pictures[(n + 1) % 2])
            if not observer.wait(lambda ms: len([m for m in ms if m[1:] == ("vorrandale/1/motion", b"ON")]) > starts,
                                 30):
                raise RuntimeError("no motion message")
            mqtt_at = time.time()
            deadline = time.time() + 30
            while len([p for p in hook.posts if p["json"].get("event") == "start"]) <= posts and time.time() < deadline:
                time.sleep(0.002)
            hook_at = [p for p in hook.posts if p["json"].get("event") == "start"][-1]["time"]
            mqtt_ms.append((mqtt_at - camera.first_served) * 1000)
            hook_ms.append((hook_at - camera.first_served) * 1000)
            observer.wait(lambda ms: [m[2] for m in ms if m[1] == "vorrandale/1/motion"][-1] == b"OFF", 30)
    finally:
        if program:
            program.end()
        hook.stop()
        observer.process.kill()
        broker.stop()
        shutil.rmtree(work, ignore_errors=True)
    goal = args.interval + 300
    for name, values in (("MQTT (mosquitto)", mqtt_ms), ("web hook (HTTPS)", hook_ms)):
        print(f"{name}: {len(values)} events, median {statistics.median(values):.0f} ms, "
              f"max {max(values):.0f} ms (goal: under {goal} ms)")


if __name__ == "__main__":
    main()
