#!/usr/bin/env python3
"""The MQTT alert channel under Wine against a real mosquitto: discovery and
availability, an alert's messages in order, the broker away and back, the
program killed, and TLS with a certificate of the broker's own."""
import base64
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))
from mqtt_broker import Broker, Observer  # noqa: E402
from systest import Checks, arguments, wine_path  # noqa: E402

PREFIX = "vorrandale/office"
PASSWORD = "s3cret-pw"


class Tool:
    def __init__(self, wine, exe, *words):
        self.process = subprocess.Popen([wine, exe, "--prefix", PREFIX, "--user", "cam", "--password", PASSWORD, *words],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                        text=True, bufsize=1)

    def send(self, *lines):
        self.process.stdin.write("".join(line + "\n" for line in lines))
        self.process.stdin.flush()

    def report(self, failed):
        """The next report of a failure (1) or of a recovery (0); CTest's time-out ends a wait for none."""
        while not (line := self.process.stdout.readline()).startswith(f"report failed={failed}") and line:
            pass
        return line.strip()


def main():
    args = arguments("wine", "tool")
    check = Checks("mqtt_system")
    broker = Broker(tempfile.mkdtemp(), "cam", PASSWORD)
    observer = tool = None
    topic = (PREFIX + "/{}/{}").format
    discovery = lambda ms: [json.loads(m[2]) for m in ms if m[1].startswith("homeassistant/")]  # noqa: E731
    try:
        observer = Observer(broker, [PREFIX + "/#", "homeassistant/#"])
        tool = Tool(args.wine, args.tool, "--host", "127.0.0.1", "--port", str(broker.port))
        observer.wait(lambda ms: len(discovery(ms)) >= 8)
        configs = discovery(observer.messages)
        ids = {c["unique_id"] for c in configs}
        check(observer.saw(PREFIX + "/availability", b"online") and len(ids) == 8 and
              all(i.startswith("vorrandale_office_") for i in ids) and
              all(c["availability_topic"] == PREFIX + "/availability" for c in configs) and
              {c["device"]["name"] for c in configs} == {"Camera 1 (Front door)", "Camera 2 (Yard)"} and
              {c.get("state_topic", c.get("topic")) for c in configs if "camera1" in c["unique_id"]} ==
              {topic(1, w) for w in ("motion", "snapshot", "signal", "event")},
              f"online, and discovery: unique ids from the prefix, availability, devices, topics ({sorted(ids)})")

        snapshots = [os.urandom(3000) + b"\0\xff", os.urandom(5000)]
        tool.send(f"motion 1 {base64.b64encode(snapshots[0]).decode()}", "end 1")
        observer.saw(topic(1, "motion"), b"OFF")
        retained = broker.retained([PREFIX + "/#", "homeassistant/#"], 11)
        check(retained.get(PREFIX + "/availability") == b"online" and retained.get(topic(1, "motion")) == b"OFF"
              and retained.get(topic(1, "snapshot")) == snapshots[0] and len(retained) == 11,
              f"availability, discovery, motion and snapshot are retained ({sorted(retained)})")

        broker.stop()
        lost = tool.report(1)
        tool.send("lost 1", "back 1", f"motion 2 {base64.b64encode(snapshots[1]).decode()}", "end 2", "failed 2")
        broker.start()
        back = tool.report(0)
        check(PASSWORD not in lost + back, f"the lost broker and its return are reported ({lost} / {back})")
        observer.wait(lambda ms: any(m[1] == topic(2, "event") for m in ms))
        event = next((m[2] for m in observer.messages if m[1] == topic(2, "event")), b"{}")
        check(json.loads(event).get("kind") == "recording failed", f"other events as JSON ({event})")
        expected = [(topic(1, "motion"), b"ON"), (topic(1, "snapshot"), snapshots[0]), (topic(1, "motion"), b"OFF"),
                    (topic(1, "signal"), b"lost"), (topic(1, "signal"), b"ok"), (topic(2, "motion"), b"ON"),
                    (topic(2, "snapshot"), snapshots[1]), (topic(2, "motion"), b"OFF"), (topic(2, "event"), event)]
        sent = [m[1:] for m in observer.messages if not m[0] and m[1].count("/") == 3]
        check(sent == expected, "every alert arrived once, in order, across the broker's restart")

        mark = len(observer.messages)
        tool.process.kill()
        check(observer.saw(PREFIX + "/availability", b"offline", mark), "the killed program's will says offline")

        mark = len(observer.messages)
        tool = Tool(args.wine, args.tool, "--host", "localhost", "--port", str(broker.tls_port), "--tls", "1",
                    "--trusted", wine_path(broker.cert))
        tool.send("lost 2")
        check(observer.saw(topic(2, "signal"), b"lost", mark), "through TLS with the broker's own certificate trusted")
        tool.send("quit")
        check(tool.process.wait(timeout=60) == 0 and observer.saw(PREFIX + "/availability", b"offline", mark),
              "a clean end says offline")
    finally:
        for process in (tool and tool.process, observer and observer.process):
            process and process.kill()
        broker.stop()
        print(broker.log()[-3000:] if check.failures else "")
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
