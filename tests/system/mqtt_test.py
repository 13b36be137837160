#!/usr/bin/env python3
"""The MQTT alert channel under Wine against a real mosquitto: discovery and
availability, an alert's messages in order, the broker away and back, the
program killed, and TLS with a certificate of the broker's own."""
import base64
import json
import os
import queue
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))
from mqtt_broker import Broker, Observer  # noqa: E402
from systest import Checks, arguments, wine_path  # noqa: E402

PREFIX = "vorrandale/office"
PASSWORD = "s3cret-pw"


class Tool:
    def __init__(self, wine, exe, *words):
        self.process = subprocess.Popen([wine, exe, "--prefix", PREFIX, "--cameras", "1=Front door;2=Yard", *words],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                        text=True, bufsize=1)
        self.reports = queue.Queue()
        threading.Thread(target=lambda: [self.reports.put(line) for line in self.process.stdout], daemon=True).start()

    def send(self, *lines):
        self.process.stdin.write("".join(line + "\n" for line in lines))
        self.process.stdin.flush()

    def report(self, failed):
        while not (line := self.reports.get(timeout=90)).startswith(f"report failed={failed}"):
            pass
        return line.strip()


def main():
    args = arguments("wine", "tool")
    check = Checks("mqtt_system")
    work = tempfile.mkdtemp()
    broker = Broker(work, "camuser", PASSWORD)
    observer = Observer(broker, [PREFIX + "/#", "homeassistant/#"])
    tool = None
    camera_topics = [f"{PREFIX}/{n}/{what}" for n in (1, 2) for what in ("motion", "snapshot", "signal", "event")]

    def sent():
        return [m[1:] for m in observer.messages if not m[0] and m[1] in camera_topics]

    try:
        login = ("--user", "camuser", "--password", PASSWORD)
        tool = Tool(args.wine, args.tool, "--host", "127.0.0.1", "--port", str(broker.port), *login)
        check(observer.wait(lambda ms: len([m for m in ms if m[1].startswith("homeassistant/")]) >= 8) and
              observer.saw(PREFIX + "/availability", b"online"), "online and eight discovery documents at connect")
        configs = [json.loads(m[2]) for m in observer.messages if m[1].startswith("homeassistant/")]
        ids = {c["unique_id"] for c in configs}
        check(len(ids) == 8 and all(i.startswith("vorrandale_office_") for i in ids) and
              all(c["availability_topic"] == PREFIX + "/availability" for c in configs) and
              {c["device"]["name"] for c in configs} == {"Camera 1 (Front door)", "Camera 2 (Yard)"} and
              {c.get("state_topic", c.get("topic")) for c in configs} <= set(camera_topics),
              f"discovery: unique ids from the prefix, availability, devices, topics ({sorted(ids)})")

        snapshots = [os.urandom(3000) + b"\0\xff", os.urandom(5000)]
        tool.send(f"motion 1 {base64.b64encode(snapshots[0]).decode()}", "end 1")
        check(observer.saw(f"{PREFIX}/1/motion", b"OFF"), "motion end arrives")
        retained = broker.retained([PREFIX + "/#", "homeassistant/#"], 11)
        check(retained.get(PREFIX + "/availability") == b"online" and retained.get(f"{PREFIX}/1/motion") == b"OFF"
              and retained.get(f"{PREFIX}/1/snapshot") == snapshots[0] and
              len([t for t in retained if t.startswith("homeassistant/")]) == 8,
              f"availability, discovery, motion and snapshot are retained ({sorted(retained)})")

        broker.stop()
        lost = tool.report(1)
        check(PASSWORD not in lost and "MQTT" in lost, f"the lost broker is reported ({lost})")
        tool.send("lost 1", "back 1", f"motion 2 {base64.b64encode(snapshots[1]).decode()}", "end 2", "failed 2")
        broker.start()
        back = tool.report(0)
        check(PASSWORD not in back, f"the broker's return is reported ({back})")
        check(observer.wait(lambda ms: any(m[1] == f"{PREFIX}/2/event" for m in ms)), "the queued alerts arrive")
        event_text = next(m[2] for m in observer.messages if m[1] == f"{PREFIX}/2/event")
        event = json.loads(event_text)
        check(event["kind"] == "recording failed" and event["camera"] == 2, f"other events as JSON ({event})")
        expected = [(f"{PREFIX}/1/motion", b"ON"), (f"{PREFIX}/1/snapshot", snapshots[0]),
                    (f"{PREFIX}/1/motion", b"OFF"), (f"{PREFIX}/1/signal", b"lost"), (f"{PREFIX}/1/signal", b"ok"),
                    (f"{PREFIX}/2/motion", b"ON"), (f"{PREFIX}/2/snapshot", snapshots[1]),
                    (f"{PREFIX}/2/motion", b"OFF"), (f"{PREFIX}/2/event", event_text)]
        check(sent() == expected,
              "every alert arrived once, in order, across the broker's restart")

        mark = len(observer.messages)
        tool.process.kill()
        tool.process.wait()
        check(observer.saw(PREFIX + "/availability", b"offline", mark), "the killed program's will says offline")

        mark = len(observer.messages)
        tool = Tool(args.wine, args.tool, "--host", "localhost", "--port", str(broker.tls_port), *login, "--tls", "1",
                    "--trusted", wine_path(broker.cert))
        tool.send("lost 2")
        check(observer.saw(f"{PREFIX}/2/signal", b"lost", mark), "through TLS with the broker's own certificate trusted")
        tool.send("quit")
        check(tool.process.wait(timeout=60) == 0 and observer.saw(PREFIX + "/availability", b"offline", mark),
              "a clean end says offline")
    finally:
        if tool and tool.process.poll() is None:
            tool.process.kill()
        observer.stop()
        broker.stop()
        if check.failures:
            print(broker.log()[-3000:])
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
