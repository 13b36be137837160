"""The web server test host under Wine, and raw HTTP helpers (shared by the
system test and the benchmark)."""
import os
import queue
import select
import socket
import subprocess
import threading
import time


class Host:
    """web_server_host running under Wine; commands go to its standard input."""

    def __init__(self, wine, exe, *args):
        self.process = subprocess.Popen([wine, exe, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        first = self.line(60)
        if not first.startswith("listening port="):
            raise RuntimeError(f"host did not start: {first!r}")
        fields = dict(word.split("=") for word in first.split()[1:])
        self.port, self.redirect = int(fields["port"]), int(fields.get("redirect", 0))

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def line(self, timeout=20):
        line = self.lines.get(timeout=timeout)
        if line is None:
            raise RuntimeError("host ended")
        return line

    def command(self, text):
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()
        return self.line()

    def _fields(self, command):
        fields = self.command(command).split()[1:]
        return {k: int(v) for k, v in (f.split("=") for f in fields)}

    def status(self):
        return self._fields("status")

    def resources(self):
        return self._fields("resources")

    def wait_clients(self, count, timeout=10):
        deadline = time.time() + timeout
        while True:
            status = self.status()
            if status["clients"] == count or time.time() > deadline:
                return status
            time.sleep(0.1)

    def stop(self):
        try:
            self.process.stdin.write("quit\n")
            self.process.stdin.flush()
            self.process.wait(timeout=20)
        except Exception:
            self.process.kill()
            self.process.wait()


def connect(port, timeout=10):
    return socket.create_connection(("127.0.0.1", port), timeout=timeout)


def read_all(sock):
    """Everything until the server closes; a reset also ends it."""
    data = b""
    while True:
        try:
            chunk = sock.recv(65536)
        except ConnectionResetError:
            return data, True
        except socket.timeout:
            return data, False
        if not chunk:
            return data, True
        data += chunk


def exchange(port, request, timeout=10):
    with connect(port, timeout) as sock:
        sock.sendall(request)
        return read_all(sock)[0]


def get(port, path, headers=b""):
    return exchange(port, b"GET /" + path + b" HTTP/1.0\r\n" + headers + b"\r\n")


def readable(sock, seconds):
    return bool(select.select([sock], [], [], seconds)[0])


def text_page(body):
    return (b"HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Length: %d\r\n\r\n" % len(body)
            + body)


NOT_FOUND = (b"HTTP/1.0 404 Not Found\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Length: 64\r\n\r\n"
             b"<HTML><BODY>Vorrandale Webserver<br>PAGE NOT FOUND</BODY></HTML>")
LOGIN = (b"HTTP/1.0 401 Authorization Required\r\n"
         b"WWW-Authenticate: BASIC realm=\"Vorrandale Secure Area\"\r\n"
         b"Content-Type: text/html; charset=UTF-8\r\nContent-Length: 90\r\n\r\n"
         b"<HTML><BODY>Vorrandale Webserver<br>Authorization Required<br>You Must Login</BODY></HTML>")


def write_web_folder(host_exe, files):
    folder = os.path.join(os.path.dirname(host_exe), "Webserver")
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    return folder
