"""The mail and web hook channels under Wine against aiosmtpd (STARTTLS or
TLS, a login) and an HTTPS hook receiver, trusting a certificate made here."""
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


class Host:
    """alert_channels_host under Wine, the reports it prints kept."""

    def __init__(self, wine, exe, *words):
        self.process = subprocess.Popen([wine, exe, *words], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.lines, self.reports = queue.Queue(), []
        threading.Thread(target=lambda: [self.lines.put(line.rstrip()) for line in self.process.stdout],
                         daemon=True).start()
        self.expect("ready")

    def expect(self, start):
        while not (line := self.lines.get(timeout=60)).startswith(start):
            self.reports += [line] if line.startswith("report ") else []
        self.reports += [line] if line.startswith("report ") else []
        return line

    def command(self, line, answer):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        return float(self.expect(answer).split("=")[1])

    def send(self, camera, kind, ended, time, level, name, jpeg="-", url="-"):
        return self.command(f"send {camera} {kind} {ended} {time} 3600 {level} {jpeg} {url} {name}", "sent ")


def main():
    args = arguments("wine", "host")
    checks = Checks("alerts_system")
    work = tempfile.mkdtemp()
    cert, key = alert_peers.make_certificate(work)
    thumb = os.path.join(work, "thumb.jpg")
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=320x240", "-frames:v",
                    "1", "-y", thumb], check=True)
    jpeg = open(thumb, "rb").read()
    smtp_port, tls_port = free_port(), free_port()
    mail = alert_peers.MailServer(smtp_port, cert, key, "alice", "right")
    tls_mail = alert_peers.MailServer(tls_port, cert, key, "alice", "right", implicit_tls=True)
    hook = alert_peers.HookReceiver(cert, key, {2: [500], 3: [404]})

    def host(port, security, password, hook_url=f"https://localhost:{hook.port}/hook?token=1"):
        return Host(args.wine, args.host, "--smtp-host", "localhost", "--smtp-port", str(port), "--security", security,
                    "--user", "alice", "--password", password, "--from", "cams@example.org", "--to",
                    "me@example.org, you@example.org", "--trusted", wine_path(cert),
                    *(["--hook", hook_url] if hook_url else []))

    motion = dict(camera=2, kind=1, ended=0, time=1796821402, level=73, jpeg=wine_path(thumb),
                  url="http://pc:8080/event/7.jpg", name="Front door")  # 14:03:22 at UTC+1
    try:
        wrong = host(smtp_port, "starttls", "wrong")
        wrong.send(**motion)
        refusals = [wrong.expect("report failed=1 camera=2 text=Mail:")]
        send_ms = wrong.send(**dict(motion, kind=3, time=1796821403, jpeg="-"))
        refusals.append(wrong.expect("report failed=1 camera=2 text=Mail:"))
        waits = [int(m.group(1)) if (m := re.search(r"next attempt in (\d+) s$", r)) else 0 for r in refusals]
        checks(send_ms < 1000, f"Send returns at once while the mail waits to try again ({send_ms:.1f} ms)")
        checks(all("refused the login (535" in r for r in refusals) and 0 < waits[0] < waits[1],
               f"a refused login is reported and retried after growing waits: {refusals}")
        checks(mail.logins == [("alice", False)] * 2 and not mail.messages, "no mail goes without a login")
        while not any(r.startswith("report failed=0 camera=2 text=Web hook:") for r in wrong.reports):
            wrong.expect("report ")
        hook_reports = [r for r in wrong.reports if "Web hook:" in r]
        checks(len(hook_reports) == 2 and "(500" in hook_reports[0], f"a hook's 500 is retried: {hook_reports}")
        wait_for(lambda: len(hook.posts) == 3, 60)  # the signal queued behind the retried motion
        stopped_ms = wrong.command("quit", "stopped ")
        checks(stopped_ms < 3000, f"the channels stop at once in a retry wait ({stopped_ms:.0f} ms)")
        checks(not any("wrong" in r for r in wrong.reports), "no report holds the password")

        right = host(smtp_port, "starttls", "right")
        right.send(camera=3, kind=2, ended=0, time=1796821407, level=0, name="Back yard")
        right.send(**motion)
        right.send(**dict(motion, ended=1, time=1796821442, level=80))
        dropped = right.expect("report failed=1 camera=3 text=Web hook:")
        checks("(404" in dropped and "dropped" in dropped, f"a hook's 404 is reported and dropped: {dropped}")
        checks(wait_for(lambda: len(mail.messages) >= 2 and len(hook.posts) >= 6, 60), "the mails and posts arrive")
        right.command("quit", "stopped ")

        tls = host(tls_port, "tls", "right", hook_url=None)
        tls.send(**motion)
        checks(wait_for(lambda: len(tls_mail.messages) == 1, 60), "a mail goes over TLS from the first byte")
        tls.command("quit", "stopped ")
    finally:
        for peer in (mail, tls_mail, hook):
            peer.stop()

    mails = [email.message_from_bytes(m, policy=email.policy.default) for m in mail.messages]
    subjects = [m["Subject"] for m in mails]
    checks(subjects == ["Signal lost on Camera 3 (Back yard) at 14:03:27", "Motion on Camera 2 (Front door) at 14:03:22"],
           f"one mail per event, none for the end of motion: {subjects}")
    if len(mails) == 2:
        checks(mails[1]["To"] == "me@example.org, you@example.org" and
               mails[1]["Date"] == "Wed, 09 Dec 2026 14:03:22 +0100", "the mail's date and addresses")
        lines = mail.messages[1].split(b"\r\n")
        checks(all(b"\n" not in line and len(line) <= 78 for line in lines), "every line is short and ends in CRLF")
        attached = [p.get_content() for p in mails[1].iter_attachments() if p.get_content_type() == "image/jpeg"]
        checks(attached == [jpeg], "the thumbnail is attached byte for byte")
        text = mails[1].get_body(("plain",)).get_content()
        checks("http://pc:8080/event/7.jpg" in text and "73" in text, "the text has the picture link and level")
    posts = [(p["json"]["camera"], p["json"].get("event"), p["status"]) for p in hook.posts]
    checks(posts == [(2, "start", 500), (2, "start", 200), (2, None, 200), (3, None, 404), (2, "start", 200),
                     (2, "end", 200)], f"one post per event, the 500 retried, the 404 not: {posts}")
    start = hook.posts[4] if len(hook.posts) > 4 else {"json": {}, "path": "", "headers": {}}
    checks(start["json"] == {"camera": 2, "name": "Front door", "kind": "motion", "event": "start",
                             "time": "2026-12-09T14:03:22+01:00", "level": 73, "picture": "http://pc:8080/event/7.jpg"},
           f"the JSON document: {start['json']}")
    checks(start["path"] == "/hook?token=1" and start["headers"].get("Content-Type") == "application/json" and
           start["headers"].get("User-Agent", "").startswith("Vorrandale/"), f"the request: {start['headers']}")
    return checks.result()


if __name__ == "__main__":
    sys.exit(main())
