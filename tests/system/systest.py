"""What the system tests share: their arguments and checks, Windows programs
started under Wine, and the windows those programs show.

Windows and screenshots. Every test that shows a window, looks for one or
takes a screenshot owns what it looks at, in one of two ways:
- a display of its own: a Wine prefix, wineserver and Xvfb of its own
  (`OwnSession`), as the installer's test does; or
- the lock `desktop` of the common Wine session (RESOURCE_LOCK in
  CMakeLists.txt), which every other such test takes.
Without one, a window of a test running beside it can cover the one being
photographed, and a window search can find another program's window.

Windows programs are started through `start`/`run`: their own output and
Wine's messages go to a log that is printed when the program fails, so a
failure says why. Windows are awaited by readiness (`wait_for` a window that
exists and answers), never by sleeping a fixed time."""
import argparse
import os
import shutil
import socket
import subprocess
import tempfile
import time


def arguments(*required, **optional):
    """The test's command line: each name in `required` is a required
    --name; `optional` gives defaults for others."""
    parser = argparse.ArgumentParser()
    for name in required:
        parser.add_argument("--" + name, required=True)
    for name, default in optional.items():
        parser.add_argument("--" + name, default=default)
    return parser.parse_args()


class Checks:
    """Named checks, printed as they happen; `result` closes with the count
    line CTest reads and the exit code."""

    def __init__(self, name):
        self.name = name
        self.passed = []
        self.failures = []

    def __call__(self, condition, what):
        print(("ok   " if condition else "FAIL ") + what, flush=True)
        (self.passed if condition else self.failures).append(what)
        return bool(condition)

    def result(self):
        print(f"{self.name}: {len(self.passed)} passed, {len(self.failures)} failed", flush=True)
        for failure in self.failures:
            print("FAILED " + failure)
        return 1 if self.failures else 0


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(condition, seconds, interval=0.25):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(interval)
    return bool(condition())


class Program:
    """A Windows program running under Wine, its output kept in a log file
    (a file, not a pipe: Wine's background services, started by the first
    program of a session, would hold a pipe open)."""

    def __init__(self, wine, exe, *words, cwd=None, env=None):
        self.log = tempfile.TemporaryFile()
        self.name = os.path.basename(exe)
        # Wine's diagnostics (a display it cannot open, a driver it cannot
        # load) say why a window never came.
        env = dict(env or os.environ)
        env["WINEDEBUG"] = env.get("WINEDEBUG", "-all") + ",err+winediag"
        self.process = subprocess.Popen([wine, exe, *words], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=subprocess.STDOUT)

    def output(self):
        self.log.seek(0)
        return self.log.read().decode(errors="replace").replace("\r\n", "\n").strip()

    def poll(self):
        return self.process.poll()

    def wait(self, seconds):
        """The exit code, or None when it is still running after `seconds`."""
        try:
            return self.process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            return None

    def end(self):
        """Ends the program by its pid if it still runs; when it had to be
        ended or failed, says so with what it printed."""
        if self.log.closed:
            return
        killed = self.process.poll() is None
        if killed:
            self.process.kill()
            self.process.wait()
        if killed or self.process.returncode != 0:
            how = "ended by the test" if killed else f"exit {self.process.returncode}"
            print(f"--- {self.name} ({how}) printed:\n{self.output()}\n---", flush=True)
        self.log.close()


def run(wine, exe, *words, timeout=60, env=None):
    """Runs a Windows program to its end: (exit code, its standard output)."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        done = subprocess.run([wine, exe, *words], env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                              timeout=timeout)
        out.seek(0)
        err.seek(0)
        errors = err.read().decode(errors="replace").strip()
        if done.returncode != 0 and errors:
            print(f"--- {os.path.basename(exe)} {' '.join(words)} exited {done.returncode}:\n{errors}\n---")
        return done.returncode, out.read().decode(errors="replace").replace("\r\n", "\n").strip()


class WindowTool:
    """The camera program's windows, reached through window_tool."""

    def __init__(self, wine, exe, env=None):
        self.wine, self.exe, self.env = wine, exe, env

    def __call__(self, *words):
        code, out = run(self.wine, self.exe, *words, env=self.env)
        if code != 0 and words[0] not in ("place", "state"):
            print(f"window_tool {' '.join(words)}: exit {code} {out!r}", flush=True)
        return code, out

    def state(self):
        return self("state")[1]

    def wait_window(self, title, seconds=30):
        return wait_for(lambda: self("place", title)[0] == 0, seconds)

    def shot(self, path, title=None):
        """A screenshot of the main window (or of the window titled
        `title`) as BMP, and as PNG beside it; the BMP's path or None."""
        rc, _ = self("shotof", title, wine_path(path)) if title else self("shot", wine_path(path))
        if rc == 0 and shutil.which("convert"):
            subprocess.run(["convert", path, path[:-4] + ".png"], timeout=60)
        return path if rc == 0 else None


def start_display():
    """A private Xvfb display: the server's process and the display's name.
    Like the common session's, it never resets (see scripts/wine-session)."""
    reader, writer = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(writer), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                             "-noreset"],
                            pass_fds=(writer,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(writer)
    with os.fdopen(reader) as f:
        number = f.readline().strip()
    return xvfb, ":" + number



def mjpeg_camera(source, url):
    """ffmpeg serving the lavfi `source` as an MJPEG stream at `url`, to one
    client, as a network camera does."""
    return subprocess.Popen(["ffmpeg", "-nostdin", "-v", "error", "-re", "-f", "lavfi", "-i", source, "-f", "mpjpeg",
                             "-listen", "1", url], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
