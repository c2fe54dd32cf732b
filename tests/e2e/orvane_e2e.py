"""What the end-to-end tests need to run the real program like a user does: a Wine prefix of
their own (so the single-instance lock and the uninstall entries of the other test programs,
which run beside them, never meet theirs), a reference server with a maker scenario, a fresh
program folder, the program's windows and controls (tools/testbins/OrvWindows.cpp), clicks
and keys through xdotool on the X display, and the records every party leaves: the program's
log, the statistics server's record, the stand-ins' record, the registry.

Every wait has a deadline; a missed one raises TimeoutError naming what did not happen.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "tools", "refserver"))
import scenarios  # noqa: E402

UNINSTALL = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall"
APP_PATHS = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths"
# The products the program looks for in the uninstall entries ("<name>-..."), and the folders
# that the stand-in installers and the tests fill.
PRODUCT_NAMES = ["Kavvik"] + ["%s视频社区" % n for n in ("Brelo", "Dunsa", "Nalvo", "Fimra", "Gorlu", "Hesko", "Jupra")]
PRODUCT_FOLDERS = ["Kavvik", "Brelo", "Dunsa", "Fimra", "Gorlu", "Hesko", "Jupra", "Earlier Kavvik"]

# The program's windows, told apart by their controls: the loading dialog's wait text, the
# message box's two lines and close button, the pages of the main window (progress bar,
# finish page close button).
ID_LOADING_TEXT, ID_MSG_LINE1, ID_MSG_LINE2, ID_MSG_CLOSE = 1042, 1008, 1009, 1014
ID_PROGRESS_BAR, ID_FINISH_CLOSE = 1000, 1058


def is_loading(w):
    return Desktop.control(w, ID_LOADING_TEXT) is not None


def is_message_box(w):
    return all(Desktop.control(w, i) is not None for i in (ID_MSG_LINE1, ID_MSG_LINE2, ID_MSG_CLOSE))


def on_progress_page(w):
    return Desktop.page(w, ID_PROGRESS_BAR) is not None


def on_finish_page(w):
    return Desktop.page(w, ID_FINISH_CLOSE) is not None


def wait_until(what, condition, timeout, step=0.2):
    """Calls condition until it answers something true, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        answer = condition()
        if answer:
            return answer
        if time.monotonic() > deadline:
            raise TimeoutError("waited %.0f s for %s" % (timeout, what))
        time.sleep(step)


def read_text(path, encoding="utf-8"):
    try:
        with open(path, "rb") as f:
            return f.read().decode(encoding, "replace")
    except FileNotFoundError:
        return ""


class Display:
    """A virtual X display of our own, so that no other program's window lies under a click."""

    def __init__(self):
        read, write = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten",
                                      "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read, 16)
            if not chunk:
                break
            number += chunk
        os.close(read)
        if not number.strip():
            self.stop()
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number.decode().strip()

    def stop(self):
        self.proc.terminate()
        self.proc.wait(10)


class Wine:
    """One Wine prefix inside the build folder: BUILD/wineprefix-e2e unless named, 64-bit, or
    32-bit with arch "win32"."""

    def __init__(self, build, arch="win64", name="wineprefix-e2e", display=None):
        self.build = build
        self.arch = arch
        self.prefix = os.path.join(build, name)
        self.loader = "/usr/lib/wine/wine" if arch == "win32" else "/usr/lib/wine/wine64"
        if arch == "win64" and not os.access(self.loader, os.X_OK):
            self.loader = shutil.which("wine64") or shutil.which("wine")
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH=arch, LC_ALL="zh_CN.UTF-8",
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", WINELOADER=self.loader)
        self.env.pop("ORVANE_SERVER_BASE", None)
        if display:
            self.env["DISPLAY"] = display

    def run(self, *args, timeout=60, check=True, **kw):
        r = subprocess.run([self.loader] + list(args), env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=timeout, **kw)
        if check and r.returncode != 0:
            raise RuntimeError("wine %s answered %d" % (" ".join(args), r.returncode))
        return r.stdout

    def up(self, window_manager=False):
        """Creates the prefix on first use (with the font replacements of scripts/wine-fonts.sh)
        and starts its server, detached from our pipes. window_manager: whether the display
        has one (Xvfb has none)."""
        quiet = dict(env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not os.path.isfile(os.path.join(self.prefix, "system.reg")):
            os.makedirs(self.prefix, exist_ok=True)
            subprocess.run([self.loader, "wineboot", "-i"], timeout=300, **quiet)
            subprocess.run(["wineserver", "-w"], timeout=120, **quiet)
        subprocess.run([self.loader, "wineboot"], timeout=120, **quiet)
        subprocess.run(["bash", os.path.join(SOURCE, "scripts", "wine-fonts.sh")],
                       env=dict(self.env, WINE=self.loader), timeout=120, check=True)
        # Without a window manager Wine would wait 2 s for one to withdraw each hidden
        # top-level window (the loading dialog, for one), which no user would see.
        self.import_reg(["[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]",
                         '"Managed"="%s"' % ("Y" if window_manager else "N")])

    def down(self):
        """Ends every process of the prefix and its server, so the next run starts its desktop
        on its own display."""
        for args in (["-k"], ["-w"]):
            subprocess.run(["wineserver"] + args, env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def unix_path(self, windows_path):
        drive, rest = windows_path[0].lower(), windows_path[2:].replace("\\", "/")
        base = "/" if drive == "z" else os.path.join(self.prefix, "drive_c")
        return os.path.normpath(base + "/" + rest.lstrip("/"))

    @staticmethod
    def windows_path(unix_path):
        return "Z:" + unix_path.replace("/", "\\")

    def import_reg(self, lines):
        """Applies registry lines ("[-KEY]" deletes a key) in one regedit run."""
        fd, path = tempfile.mkstemp(suffix=".reg")
        with os.fdopen(fd, "wb") as f:
            f.write("\r\n".join(["Windows Registry Editor Version 5.00", ""] + lines + [""]).encode("utf-16"))
        try:
            self.run("regedit", "/S", self.windows_path(path))
        finally:
            os.remove(path)

    def export_reg(self, key):
        """The values under KEY and its subkeys: {subkey path: {name: value}}."""
        fd, path = tempfile.mkstemp(suffix=".reg")
        os.close(fd)
        try:
            self.run("regedit", "/E", self.windows_path(path), key, check=False)
            text = read_text(path, "utf-16")
        finally:
            os.remove(path)
        keys, current = {}, None
        for line in text.splitlines():
            m = re.match(r"^\[(.*)\]$", line)
            if m:
                current = keys.setdefault(m.group(1), {})
            m = re.match(r'^"(.*)"="(.*)"$', line)
            if m and current is not None:
                current[m.group(1)] = m.group(2).replace("\\\\", "\\").replace('\\"', '"')
        return keys

    def clean(self):
        """The state no earlier run may leave: the products' uninstall entries and App Paths
        entry, their install folders, and the browser's start page."""
        under = UNINSTALL.lower() + "\\"
        entries = [k[len(under):] for k in self.export_reg(UNINSTALL) if k.lower().startswith(under)]
        products = [e for e in entries if any(e.lower().startswith(n.lower() + "-") for n in PRODUCT_NAMES)]
        self.import_reg(["[-%s\\%s]" % (UNINSTALL, e) for e in products] +
                        ["[-%s\\Kavvik.exe]" % APP_PATHS,
                         "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main]", '"Start Page"=-'])
        for name in PRODUCT_FOLDERS:
            shutil.rmtree(os.path.join(self.prefix, "drive_c", "Program Files", name), ignore_errors=True)


class Server:
    """The reference server on a free port of 127.0.0.1, serving one maker scenario."""

    def __init__(self, work, bin_dir):
        self.root, self.state = os.path.join(work, "root"), os.path.join(work, "state")
        os.makedirs(self.root)
        port_file = os.path.join(work, "port")
        self.log = open(os.path.join(work, "server.log"), "wb")
        self.proc = subprocess.Popen([sys.executable, os.path.join(SOURCE, "tools", "refserver", "refserver.py"),
                                      "--port", "0", "--root", self.root, "--state", self.state,
                                      "--port-file", port_file], stdout=self.log, stderr=self.log)
        wait_until("the reference server's port", lambda: os.path.getsize(port_file) if os.path.exists(port_file)
                   else 0, 10, 0.05)
        self.base = "http://127.0.0.1:%s" % read_text(port_file).strip()
        self.bin_dir = bin_dir

    def scenario(self, name):
        scenarios.install(name, self.root, self.state, self.base, self.bin_dir)

    def stats(self):
        """The statistics requests in arrival order, as (event, query)."""
        lines = read_text(os.path.join(self.state, "maker-stats.log"), "gbk").splitlines()
        out = []
        for line in lines:
            path, _, query = line.partition("?")
            out.append((path.rsplit("/", 1)[-1], query))
        return out

    def requests(self):
        return read_text(os.path.join(self.state, "requests.log"), "latin-1")

    def stop(self):
        self.proc.terminate()
        self.proc.wait(10)
        self.log.close()


class Program:
    """Orvane.exe copied with a "log" folder into a fresh folder, run under Wine."""

    def __init__(self, wine, exe, folder, server_base, record, name="Orvane.exe"):
        self.wine, self.folder, self.name = wine, folder, name
        os.makedirs(os.path.join(folder, "log"))
        shutil.copy(exe, os.path.join(folder, name))
        self.env = dict(wine.env, ORVANE_SERVER_BASE=server_base, ORVANE_STANDIN_RECORD=Wine.windows_path(record))
        self.proc = None
        self.started = None

    def start(self):
        self.started = time.monotonic()
        self.out = open(os.path.join(self.folder, "wine.out"), "wb")
        self.proc = subprocess.Popen([self.wine.loader, os.path.join(self.folder, self.name)], cwd=self.folder,
                                     env=self.env, stdin=subprocess.DEVNULL, stdout=self.out, stderr=self.out)
        return self

    def wait_exit(self, timeout):
        try:
            code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError("waited %.0f s for %s to end" % (timeout, self.name))
        self.out.close()
        return code

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def kill(self):
        if self.running():
            self.proc.kill()
            self.proc.wait(10)
        if self.proc is not None:
            self.out.close()

    def log(self):
        """The program's log (GBK) as text."""
        logs = sorted(os.listdir(os.path.join(self.folder, "log")))
        return "".join(read_text(os.path.join(self.folder, "log", n), "gbk") for n in logs if n.endswith(".log"))

    def log_lines(self):
        """Log lines without their time prefix."""
        return [re.sub(r"^ ?\d\d:\d\d:\d\d:\d\d\d ", "", line) for line in self.log().splitlines()]

    def log_time(self, pattern):
        """Seconds of the day of the first log line matching pattern, or None."""
        for line in self.log().splitlines():
            m = re.match(r"^(\d\d):(\d\d):(\d\d):(\d\d\d) (.*)$", line)
            if m and re.search(pattern, m.group(5)):
                h, mi, s, ms = (int(g) for g in m.groups()[:4])
                return h * 3600 + mi * 60 + s + ms / 1000.0
        return None


class Desktop:
    """The program's windows as the window lister sees them, and a user's mouse and keys."""

    def __init__(self, wine, bin_dir, shots):
        self.wine, self.lister, self.shots = wine, os.path.join(bin_dir, "OrvWindows.exe"), shots
        os.makedirs(shots, exist_ok=True)

    def windows(self, exe="Orvane.exe"):
        """[{hwnd, rect, visible, text, children: [{id, cls, rect, visible, check, text}]}]"""
        out = self.wine.run(self.lister, exe, check=False, timeout=30).decode("gbk", "replace")
        tops = []
        for line in out.splitlines():
            f = line.split("\t")
            if f[0] == "top" and len(f) >= 6:
                tops.append(dict(hwnd=f[1], rect=tuple(int(v) for v in f[3].split(",")), visible=f[4] == "1",
                                 text=f[5] if len(f) > 5 else "", children=[]))
            elif f[0] == "child" and len(f) >= 9 and tops:
                tops[-1]["children"].append(dict(hwnd=f[1], parent=f[2], id=int(f[3]), cls=f[4],
                                                 rect=tuple(int(v) for v in f[5].split(",")), visible=f[6] == "1",
                                                 check=int(f[7]), text=f[8] if len(f) > 8 else ""))
        return tops

    def find(self, pred, exe="Orvane.exe"):
        """The first visible top-level window that pred accepts, or None."""
        return next((w for w in self.windows(exe) if w["visible"] and pred(w)), None)

    def wait_window(self, what, pred, timeout, program=None):
        """Waits for the window; fails at once when program (if given) has ended meanwhile."""
        def seen():
            window = self.find(pred)
            if not window and program is not None and not program.running():
                raise AssertionError("%s ended (exit code %s) before showing %s" % (program.name,
                                                                                    program.proc.poll(), what))
            return window
        return wait_until(what, seen, timeout, 0.3)

    @staticmethod
    def control(window, control_id, parent=None):
        """The visible control with that id (inside the page parent when given), or None."""
        for c in window["children"]:
            if c["id"] == control_id and c["visible"] and (parent is None or c["parent"] == parent["hwnd"]):
                return c
        return None

    @staticmethod
    def page(window, marker_id):
        """The visible child dialog (page) holding the visible control marker_id, or None."""
        marker = Desktop.control(window, marker_id)
        if marker is None:
            return None
        return next((c for c in window["children"] if c["hwnd"] == marker["parent"]), None)

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + [str(a) for a in args], stdout=subprocess.PIPE, env=self.wine.env,
                              stderr=subprocess.DEVNULL, timeout=30).stdout.decode()

    def x_window(self, name):
        """The X window the program's top-level window lives in, found by its title."""
        ids = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % re.escape(name)).split()
        return ids[0] if ids else None

    def click(self, area, x, y):
        """A left click at (x, y) of a window's or page's own co-ordinates."""
        left, top = area["rect"][:2]
        self.xdotool("mousemove", left + x, top + y, "sleep", 0.1, "click", 1)
        time.sleep(0.3)

    def click_control(self, control):
        l, t, r, b = control["rect"]
        self.xdotool("mousemove", (l + r) // 2, (t + b) // 2, "sleep", 0.1, "click", 1)
        time.sleep(0.3)

    def key(self, window, name):
        """A key press into the window: focus it first, as a user's click would."""
        x_id = self.x_window(window["text"]) if window["text"] else None
        if x_id:
            self.xdotool("windowfocus", "--sync", x_id)
        self.xdotool("key", name)
        time.sleep(0.3)

    def shot(self, name, window=None):
        """A screenshot of the window (or the whole screen) in the shots folder; its path."""
        path = os.path.join(self.shots, name + ".png")
        args = ["import", "-window", "root"]
        if window:
            l, t, r, b = window["rect"]
            args += ["-crop", "%dx%d+%d+%d" % (r - l, b - t, l, t), "+repage"]
        subprocess.run(args + [path], env=self.wine.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30)
        return path


def standin_records(path):
    """The stand-ins' record: [(kind, {field: value} or [values])]."""
    out = []
    for line in read_text(path, "gbk").splitlines():
        kind, *fields = line.split("\t")
        if fields and all("=" in f for f in fields):
            out.append((kind, dict(f.split("=", 1) for f in fields)))
        else:
            out.append((kind, fields))
    return out
