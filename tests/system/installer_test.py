#!/usr/bin/env python3
"""The installer in a fresh Wine prefix of its own: a silent per-user
install, its files, shortcuts and registry entries, a recording opened
through the shell's association (as "View Current Video Footage" does),
the installed camera program started and ended from its tray menu, and a
silent uninstall that leaves recordings and settings behind."""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

from framedeck_test import FIRST, LATER, flat_jpegs, near, stamped
from systest import Checks, arguments, start_display, wine_path
from portable_zip_test import expected_files

CLASSES = "HKCU\\Software\\Classes"
RUN_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
UNINSTALL_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorrandale"
# One virtual desktop: without a window manager on the display, each
# SetForegroundWindow otherwise waits for the focus.
DESKTOP_REG = """Windows Registry Editor Version 5.00\r
\r
[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r
"Desktop"="Default"\r
\r
[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r
"Default"="1280x1024"\r
"""


def tree(root):
    """Files and folders below root, relative, folders ending in a slash."""
    found = set()
    for folder, subfolders, names in os.walk(root):
        relative = os.path.relpath(folder, root).replace(os.sep, "/")
        prefix = "" if relative == "." else relative + "/"
        found.update(prefix + name + "/" for name in subfolders)
        found.update(prefix + name for name in names)
    return found


class Prefix:
    """A new Wine prefix with a persistent wineserver and a display of its
    own: the prefix's desktop window and its menus then never cover the
    windows or take the pointer of other tests."""

    def __init__(self, wine):
        self.wine = wine
        self.path = tempfile.mkdtemp(prefix="vr_install_")
        self.xvfb, display = start_display()
        self.env = dict(os.environ, VR_WINEPREFIX=self.path, WINEPREFIX=self.path, WINEDEBUG="-all", DISPLAY=display,
                        # No Mono or Gecko prompts; no menu entries or file types for the Linux desktop.
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.server = shutil.which("wineserver") or "/usr/lib/wine/wineserver"

    def run(self, *words, timeout=120):
        # Into a file, not a pipe: Wine's background services, started by
        # the first program, keep a pipe open for as long as they run.
        with tempfile.TemporaryFile() as out:
            run = subprocess.run([self.wine, *words], env=self.env, stdout=out, stderr=subprocess.DEVNULL,
                                 stdin=subprocess.DEVNULL, timeout=timeout)
            out.seek(0)
            return run.returncode, out.read().decode(errors="replace").replace("\r\n", "\n").strip()

    def start(self, *words):
        return subprocess.Popen([self.wine, *words], env=self.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def create(self):
        subprocess.run([self.server, "-p"], env=self.env, check=True, timeout=30)
        self.run("wineboot", "-i", timeout=300)
        reg = os.path.join(self.path, "drive_c", "desktop.reg")
        with open(reg, "w", encoding="utf-8", newline="") as f:
            f.write(DESKTOP_REG)
        self.run("reg", "import", "C:\\desktop.reg")

    def unix(self, windows_path):
        """The Linux path of a C: path."""
        assert windows_path[:3].upper() == "C:\\", windows_path
        return os.path.join(self.path, "drive_c", *windows_path[3:].split("\\"))

    def values(self, key):
        """{(subkey, name): data} of a key and everything below it; None when the key is missing."""
        code, out = self.run("reg", "query", key, "/s")
        if code != 0:
            return None
        values, subkey = {}, None
        for line in out.splitlines():
            if line.startswith("HKEY_"):
                subkey = line.strip()
            elif line.startswith("    ") and subkey:
                parts = line.strip().split("    ", 2)
                values[(subkey.split("\\")[-1], parts[0])] = parts[2] if len(parts) == 3 else ""
        return values

    def remove(self):
        subprocess.run([self.server, "-k"], env=self.env, timeout=60)
        shutil.rmtree(self.path, ignore_errors=True)
        self.xvfb.kill()
        self.xvfb.wait()


def main():
    args = arguments("wine", "installer", "version", "expected", "shell-tool", "window-tool", "window-shot")
    check = Checks("installer_system")

    check(os.path.basename(args.installer) == f"Vorrandale-{args.version}-setup.exe",
          f"the installer is named with the version ({os.path.basename(args.installer)})")
    prefix = Prefix(args.wine)
    program = None
    try:
        began = time.time()
        prefix.create()
        print(f"prefix made in {time.time() - began:.1f} s", flush=True)

        # A silent install that also asks to start with Windows.
        setup = os.path.join(prefix.path, "drive_c", os.path.basename(args.installer))
        shutil.copy(args.installer, setup)
        code, _ = prefix.run(setup, "/S", "/AUTOSTART")
        check(code == 0, f"the silent install succeeds (exit {code})")
        uninstall = prefix.values(UNINSTALL_KEY) or {}
        location = uninstall.get(("Vorrandale", "InstallLocation"), "")
        check(location.lower().endswith("\\appdata\\local\\programs\\vorrandale"),
              f"installed per user under the local programs folder ({location!r})")
        folder = prefix.unix(location) if location else os.path.join(prefix.path, "missing")
        wanted = expected_files(args.expected) | {"Uninstall.exe", "licenses/NSIS.txt"}
        installed = tree(folder)
        check(installed == wanted,
              f"the installed files (missing {sorted(wanted - installed)}, extra {sorted(installed - wanted)})")
        menus = glob.glob(os.path.join(prefix.path, "drive_c", "users", "*", "AppData", "Roaming", "Microsoft",
                                       "Windows", "Start Menu", "Programs", "Vorrandale"))
        shortcuts = sorted(os.listdir(menus[0])) if menus else []
        check(shortcuts == ["Framedeck.lnk", "Vorrandale.lnk"], f"Start-menu shortcuts of the user {shortcuts}")

        framedeck = location + "\\Framedeck.exe"
        vorrandale = location + "\\Vorrandale.exe"
        mjpg = prefix.values(CLASSES + "\\.mjpg") or {}
        check(mjpg.get((".mjpg", "(Default)")) == "Framedeck.Recording", f".mjpg names its type per user {mjpg}")
        mp4 = prefix.values(CLASSES + "\\.mp4") or {}
        check(("OpenWithProgids", "Framedeck.Recording") in mp4 and (".mp4", "(Default)") not in mp4,
              f".mp4 offers Framedeck without being taken over {mp4}")
        kind = prefix.values(CLASSES + "\\Framedeck.Recording") or {}
        check(kind.get(("command", "(Default)")) == f'"{framedeck}" "%1"', f"opened by Framedeck {kind}")
        check(kind.get(("DefaultIcon", "(Default)")) == framedeck + ",0", "shown with Framedeck's icon")
        check(uninstall.get(("Vorrandale", "DisplayName")) == "Vorrandale"
              and uninstall.get(("Vorrandale", "DisplayVersion")) == args.version,
              f"listed among the user's programs with its version {uninstall}")
        check(uninstall.get(("Vorrandale", "UninstallString")) == f'"{location}\\Uninstall.exe"',
              "the entry names the uninstaller")
        run = prefix.values(RUN_KEY) or {}
        check(run.get(("Run", "Vorrandale")) == f'"{vorrandale}"', f"/AUTOSTART starts it with Windows {run}")
        for exe in (vorrandale, framedeck):
            _, out = prefix.run(args.shell_tool, "version", exe)
            want = f"file={args.version}.0\nproduct={args.version}.0\ntext={args.version}"
            check(out == want, f"{exe.split(chr(92))[-1]} carries version {args.version} ({out!r})")

        # A recording outside the program's folder and one inside it.
        recording = "C:\\Cameras\\December\\front door.mjpg"
        kept_inside = os.path.join(folder, "recordings", "yard.mjpg")
        frames = flat_jpegs(FIRST, 1) + flat_jpegs(LATER, 2)
        for path in (prefix.unix(recording), kept_inside):
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(b"".join(stamped(jpeg, 1700000000 + i) for i, jpeg in enumerate(frames)))

        # The shell opens the recording with the installed Framedeck.
        title = "Framedeck - front door.mjpg"
        code, out = prefix.run(args.shell_tool, "open", recording)
        check(code == 0, f"ShellExecuteA opens the recording ({out})")
        with tempfile.TemporaryDirectory() as shots:
            code, out = prefix.run(args.window_shot, "Framedeck - ", "1007", wine_path(shots) + "\\f.bmp")
        report = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        check(code == 0 and report.get("title") == title, f"Framedeck's window shows the file ({report.get('title')!r})")
        centre = report.get("centre", "000000")
        rgb = tuple(int(centre[i:i + 2], 16) for i in (0, 2, 4))
        check(near(rgb, FIRST), f"it shows the recording's first frame ({rgb})")
        code, out = prefix.run(args.shell_tool, "close", title)
        report = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        check(report.get("image", "").lower() == framedeck.lower(), f"that is the installed Framedeck ({out!r})")
        check(code == 0 and report.get("exit") == "0", "closing it ends Framedeck with 0")

        # The installed camera program runs and ends from its tray menu.
        program = prefix.start(prefix.unix(vorrandale))
        shown = False
        for _ in range(120):
            _, state = prefix.run(args.window_tool, "state")
            if "main=1 visible=1 app=1" in state:
                shown = True
                break
            time.sleep(0.5)
        check(shown, "the installed Vorrandale shows its window")

        # The uninstaller named in the entry, run as NSIS runs it: a copy
        # outside the folder, told where the installation is. It leaves a
        # running camera program alone.
        command = uninstall.get(("Vorrandale", "UninstallString"), '""').strip('"')
        copy = os.path.join(prefix.path, "drive_c", "uninstall", "Uninstall.exe")
        os.makedirs(os.path.dirname(copy))
        if command:
            shutil.copy(prefix.unix(command), copy)
        code, _ = prefix.run(copy, "/S", "_?=" + location)
        check(code != 0 and wanted <= tree(folder), f"no uninstall while Vorrandale runs (exit {code})")

        code, _ = prefix.run(args.window_tool, "tray-menu", "e")
        check(code == 0, f"its tray menu opens (exit {code})")
        try:
            code = program.wait(timeout=60)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, f"Exit on the tray menu ends it with 0 (got {code})")

        # Uninstalled silently: the settings file is kept.
        settings = os.path.join(folder, "Vorrandale.cfg")
        with open(settings, "wb") as f:
            f.write(b"settings")
        code, _ = prefix.run(copy, "/S", "_?=" + location)
        check(code == 0, f"the silent uninstall succeeds (exit {code})")
        left = tree(folder)
        # The event history is kept like the recordings it points to.
        check(left == {"recordings/", "recordings/yard.mjpg", "Vorrandale.cfg", "Vorrandale.events.db"},
              f"programs gone; recordings, events and settings stay ({sorted(left)})")
        check(os.path.isfile(prefix.unix(recording)), "the recording outside the folder stays")
        check(not menus or not os.path.exists(menus[0]), "the Start-menu folder is gone")
        check(prefix.values(CLASSES + "\\.mjpg") is None and prefix.values(CLASSES + "\\Framedeck.Recording") is None
              and prefix.values(CLASSES + "\\.mp4") is None, "the per-user association and the .mp4 offer are gone")
        check(prefix.values("HKCR\\.mjpg") is None and prefix.values("HKCR\\Framedeck.Recording") is None,
              "the shell no longer knows .mjpg")
        check(prefix.values(UNINSTALL_KEY) is None, "no longer listed among the user's programs")
        check(("Run", "Vorrandale") not in (prefix.values(RUN_KEY) or {}), "no longer started with Windows")

        # Installed again, without starting with Windows, and uninstalled
        # through its pages: asked first, the user lets the settings go.
        code, _ = prefix.run(setup, "/S")
        check(code == 0 and wanted <= tree(folder), f"installed again over the kept settings (exit {code})")
        check(("Run", "Vorrandale") not in (prefix.values(RUN_KEY) or {}), "not started with Windows unless asked")
        shutil.copy(prefix.unix(command), copy)
        program = prefix.start(copy, "_?=" + location)
        for text, button in (("Remove Vorrandale from your computer", 1), ("Also delete your settings", 6),
                             ("Uninstallation Complete", 1)):
            code, _ = prefix.run(args.shell_tool, "answer", "Vorrandale Uninstall", text, str(button))
            check(code == 0, f"the uninstaller shows {text!r} and takes the answer")
        try:
            code = program.wait(timeout=60)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, f"the uninstaller ends with 0 (got {code})")
        left = tree(folder)
        check(left == {"recordings/", "recordings/yard.mjpg", "Vorrandale.events.db"},
              f"the settings go, recordings and events stay ({sorted(left)})")
    finally:
        if program and program.poll() is None:
            program.kill()
            program.wait()
        prefix.remove()

    return check.result()


if __name__ == "__main__":
    sys.exit(main())
