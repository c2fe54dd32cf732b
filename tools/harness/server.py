"""The reference server (tools/refserver) on a free port of 127.0.0.1, with its maker side."""
import os
import socket
import subprocess
import sys
import urllib.parse
import urllib.request

from .base import SOURCE, read_text, wait_until

REFSERVER = os.path.join(SOURCE, "tools", "refserver", "refserver.py")


def free_port():
    """A port of 127.0.0.1 that nothing listened on a moment ago."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Server:
    """Serves WORK/root, keeps its records in WORK/state and its own output in
    WORK/server.log. bin_dir: the build's programs, which the maker scenarios serve."""

    def __init__(self, work, bin_dir=None):
        self.root, self.state, self.bin_dir = os.path.join(work, "root"), os.path.join(work, "state"), bin_dir
        os.makedirs(self.root, exist_ok=True)
        port_file = os.path.join(work, "port")
        self.log = open(os.path.join(work, "server.log"), "wb")
        self.proc = subprocess.Popen([sys.executable, REFSERVER, "--port", "0", "--root", self.root,
                                      "--state", self.state, "--port-file", port_file],
                                     stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log)
        try:
            wait_until("the reference server's port", lambda: read_text(port_file).strip(), 10, 0.05)
        except TimeoutError:
            self.stop()
            raise
        self.port = int(read_text(port_file))
        self.base = "http://127.0.0.1:%d" % self.port

    def get(self, path):
        """The answer's body to a GET of the server's own address plus path."""
        with urllib.request.urlopen(self.base + path, timeout=30) as answer:
            return answer.read().decode("utf-8", "replace")

    def rule(self, query):
        """Adds a misbehaviour rule ("path=...&delay=..."; tools/refserver/README.md)."""
        answer = self.get("/_ctl/rule?" + query)
        if not answer.startswith("ok"):
            raise RuntimeError("rule %s: %s" % (query, answer))

    def scenario(self, name):
        """Puts a maker scenario in place (tools/refserver/scenarios)."""
        answer = self.get("/_maker/scenario?" + urllib.parse.urlencode(dict(name=name, bin=self.bin_dir or "")))
        if not answer.startswith("ok"):
            raise RuntimeError("scenario %s: %s" % (name, answer))

    def requests(self, path=None):
        """The requests in arrival order ("METHOD TARGET[ RANGE]"), only those of path if given."""
        query = "?" + urllib.parse.urlencode(dict(path=path)) if path else ""
        return self.get("/_ctl/requests" + query).splitlines()

    def request_paths(self):
        return [urllib.parse.urlsplit(line.split(" ")[1]).path for line in self.requests() if " " in line]

    def stats(self):
        """The statistics requests in arrival order, as (event, query)."""
        out = []
        for line in read_text(os.path.join(self.state, "maker-stats.log"), "gbk").splitlines():
            path, _, query = line.partition("?")
            out.append((path.rsplit("/", 1)[-1], query))
        return out

    def config_requests(self):
        """The configuration server's requests in arrival order."""
        return read_text(os.path.join(self.state, "maker-config.log")).splitlines()

    def stop(self):
        self.proc.terminate()
        self.proc.wait(10)
        self.log.close()
