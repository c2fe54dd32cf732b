"""The program as a user starts it: Orvane.exe copied with a "log" folder into a fresh folder,
run under Wine against one server, and the records it and the stand-ins leave."""
import os
import re
import shutil
import subprocess
import time

from .base import read_text
from .wine import Wine


class Program:
    """record: the file the stand-ins it starts write their lines to."""

    def __init__(self, wine, exe, folder, server_base, record, name="Orvane.exe"):
        self.wine, self.folder, self.name = wine, folder, name
        os.makedirs(os.path.join(folder, "log"))
        shutil.copy(exe, os.path.join(folder, name))
        self.env = dict(wine.env, ORVANE_SERVER_BASE=server_base, ORVANE_STANDIN_RECORD=Wine.windows_path(record))
        self.proc = None
        self.out = None
        self.started = None

    def start(self):
        self.started = time.monotonic()
        self.out = open(os.path.join(self.folder, "wine.out"), "wb")
        self.proc = subprocess.Popen(self.wine.command(os.path.join(self.folder, self.name)), cwd=self.folder,
                                     env=self.env, stdin=subprocess.DEVNULL, stdout=self.out, stderr=self.out)
        return self

    def wait_exit(self, timeout):
        """The exit code; TimeoutError when the process has not ended in time."""
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
        if self.out is not None:
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
