"""The mail and web hook alert channels under Wine, against aiosmtpd with
STARTTLS and a login and an HTTPS hook receiver, both trusted through a
certificate made here. One run checks: a refused login is reported and
retried with growing waits while Send returns at once, and the channels stop
at once in a wait; with the right password one mail per event (none for the
end of motion) with the exact subject and the thumbnail byte for byte; one
POST per event with its JSON; a hook answering 500 is retried, one
answering 404 is reported and dropped."""
import email
import email.policy
import os
import queue
import re
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
import alert_peers  # noqa: E402
from systest import Checks, arguments, free_port, wait_for, wine_path  # noqa: E402

MOTION_TIME, OFFSET = 1796821402, 3600  # 14:03:22 at UTC+1


class Host:
    """alert_channels_host under Wine; its lines arrive on a queue."""

    def __init__(self, wine, exe, *words):
        self.process = subprocess.Popen([wine, exe, *words], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.lines = queue.Queue()
        self.reports = []
        threading.Thread(target=self._read, daemon=True).start()
        self.expect("ready", 60)

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def expect(self, start, timeout=30):
        """The next line starting with `start`; reports met on the way are kept."""
        while True:
            line = self.lines.get(timeout=timeout)
            if line is None:
                raise RuntimeError("the host ended")
            if line.startswith("report "):
                self.reports.append(line)
            if line.startswith(start):
                return line

    def until(self, condition, timeout=60):
        """Reads lines until the reports so far meet `condition`."""
        while not condition(self.reports):
            self.expect("report ", timeout)

    def send(self, **alert):
        name = alert.pop("name")
        self.process.stdin.write("send " + " ".join(f"{k}={v}" for k, v in alert.items()) + f" name={name}\n")
        self.process.stdin.flush()
        return float(self.expect("sent ").split("=")[1])

    def quit(self):
        self.process.stdin.write("quit\n")
        self.process.stdin.flush()
        stopped = float(self.expect("stopped ").split("=")[1])
        self.process.wait(timeout=30)
        return stopped


def main():
    args = arguments("wine", "host")
    checks = Checks("alerts_system")
    work = tempfile.mkdtemp()
    cert, key, thumb = (os.path.join(work, name) for name in ("cert.pem", "key.pem", "thumb.jpg"))
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost"],
                   check=True, capture_output=True)
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=320x240", "-frames:v",
                    "1", "-y", thumb], check=True)
    jpeg = open(thumb, "rb").read()
    smtp_port = free_port()
    mail = alert_peers.MailServer(smtp_port, cert, key, "alice", "right")
    hook = alert_peers.HookReceiver(cert, key, {2: [500], 3: [404]})
    def settings(port, security, password, hook_url=f"https://localhost:{hook.port}/hook?token=1"):
        return ["--smtp-host", "localhost", "--smtp-port", str(port), "--security", security, "--user", "alice",
                "--password", password, "--from", "cams@example.org", "--to", "me@example.org, you@example.org",
                "--trusted", wine_path(cert)] + (["--hook", hook_url] if hook_url else [])

    motion = dict(camera=2, kind=1, ended=0, time=MOTION_TIME, offset=OFFSET, level=73, jpeg=wine_path(thumb),
                  url="http://pc:8080/event/7.jpg", name="Front door")
    try:
        # A wrong password: refused, reported, retried after growing waits.
        host = Host(args.wine, args.host, *settings(smtp_port, "starttls", "wrong"))
        host.send(**motion)
        refusals = [host.expect("report failed=1 camera=2 text=Mail:", 60)]
        send_ms = host.send(camera=2, kind=3, ended=0, time=MOTION_TIME + 1, offset=OFFSET, level=0, name="Front door")
        refusals.append(host.expect("report failed=1 camera=2 text=Mail:", 60))
        waits = [int(m.group(1)) if (m := re.search(r"next attempt in (\d+) s$", r)) else 0 for r in refusals]
        checks(send_ms < 1000, f"Send returns at once while the mail waits to try again ({send_ms:.1f} ms)")
        checks(all("refused the login (535" in r for r in refusals), f"a refused login is reported: {refusals}")
        checks(0 < waits[0] < waits[1], f"the waits between attempts grow: {waits}")
        checks([a for _, a in mail.logins] == [False, False] and not mail.messages, "no mail goes without a login")
        host.until(lambda reports: sum("Web hook:" in r for r in reports) == 2)
        checks(not any("wrong" in r for r in host.reports), "no report holds the password")
        stopped_ms = host.quit()
        checks(stopped_ms < 3000, f"the channels stop at once within a retry wait ({stopped_ms:.0f} ms)")
        hook_reports = [r for r in host.reports if "Web hook:" in r]
        checks(len(hook_reports) == 2 and "(500" in hook_reports[0] and "failed=0" in hook_reports[1],
               f"a hook answering 500 is retried and its recovery reported: {hook_reports}")

        # The right password: every event by mail and hook.
        host = Host(args.wine, args.host, *settings(smtp_port, "starttls", "right"))
        host.send(camera=3, kind=2, ended=0, time=MOTION_TIME + 5, offset=OFFSET, level=0, name="Back yard")
        host.send(**motion)
        host.send(**dict(motion, ended=1, time=MOTION_TIME + 40, level=80))
        dropped = host.expect("report failed=1 camera=3 text=Web hook:")
        checks("(404" in dropped and "dropped" in dropped, f"a hook answering 404 is reported and dropped: {dropped}")
        checks(wait_for(lambda: len(mail.messages) >= 2 and len(hook.posts) >= 6, 60), "the mails and posts arrive")
        host.quit()

        # TLS from the first byte, as on port 465.
        tls_port = free_port()
        tls_mail = alert_peers.MailServer(tls_port, cert, key, "alice", "right", implicit_tls=True)
        host = Host(args.wine, args.host, *settings(tls_port, "tls", "right", hook_url=None))
        host.send(**motion)
        checks(wait_for(lambda: len(tls_mail.messages) == 1, 60), "a mail goes over TLS from the start")
        host.quit()
        tls_mail.stop()
    finally:
        mail.stop()
        hook.stop()

    mails = [email.message_from_bytes(m, policy=email.policy.default) for m in mail.messages]
    subjects = [m["Subject"] for m in mails]
    checks(subjects == ["Signal lost on Camera 3 (Back yard) at 14:03:27", "Motion on Camera 2 (Front door) at 14:03:22"],
           f"one mail per event, none for the end of motion: {subjects}")
    if len(mails) == 2:
        motion_mail = mails[1]
        checks(motion_mail["To"] == "me@example.org, you@example.org", "the mail goes to both addresses")
        parts = [p for p in motion_mail.iter_attachments() if p.get_content_type() == "image/jpeg"]
        checks(len(parts) == 1 and parts[0].get_content() == jpeg, "the thumbnail is attached byte for byte")
        text = motion_mail.get_body(("plain",)).get_content()
        checks("http://pc:8080/event/7.jpg" in text and "73" in text, "the text has the picture link and level")
    posts = [(p["json"]["camera"], p["json"].get("event"), p["status"]) for p in hook.posts]
    checks(posts == [(2, "start", 500), (2, "start", 200), (2, None, 200), (3, None, 404), (2, "start", 200),
                     (2, "end", 200)],
           f"one post per event, the 500 retried, the 404 not: {posts}")
    start = hook.posts[4] if len(hook.posts) > 4 else {"json": {}, "path": "", "headers": {}}
    checks(start["json"] == {"camera": 2, "name": "Front door", "kind": "motion", "event": "start",
                             "time": "2026-12-09T14:03:22+01:00", "level": 73,
                             "picture": "http://pc:8080/event/7.jpg"}, f"the JSON document: {start['json']}")
    checks(start["path"] == "/hook?token=1" and start["headers"].get("Content-Type") == "application/json" and
           start["headers"].get("User-Agent", "").startswith("Vorrandale/"), f"the request: {start['headers']}")
    return checks.result()


if __name__ == "__main__":
    sys.exit(main())
