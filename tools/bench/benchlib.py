"""What the benchmark scripts share: test files, one nginx on 127.0.0.1, and CPU figures of
processes (a finished child, a running process, the Wine server of a prefix)."""
import os
import resource
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from harness import free_port  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def write_file(path, size):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        left = size
        while left > 0:
            n = min(left, 8 << 20)
            f.write(os.urandom(n))
            left -= n


class Nginx:
    """A non-daemon nginx with its configuration in the folder work, serving work/root; under
    /lim/ every connection is held to rate_bytes per second, and under /norange/ every Range
    is ignored (200 with the whole file)."""

    def __init__(self, work, rate_bytes):
        self.work = work
        self.port = free_port()
        self.root = os.path.join(work, "root")
        self.log = os.path.join(work, "access.log")
        os.makedirs(os.path.join(work, "tmp"), exist_ok=True)
        conf = os.path.join(work, "nginx.conf")
        with open(conf, "w") as f:
            f.write("""
daemon off;
master_process off;
worker_processes 1;
pid {w}/nginx.pid;
error_log {w}/error.log;
events {{ worker_connections 512; }}
http {{
    log_format bench '$request_method $uri "$http_range" $status $body_bytes_sent';
    access_log {log} bench;
    default_type application/octet-stream;
    sendfile on;
    tcp_nopush on;
    keepalive_timeout 60;
    client_body_temp_path {w}/tmp;
    proxy_temp_path {w}/tmp;
    fastcgi_temp_path {w}/tmp;
    uwsgi_temp_path {w}/tmp;
    scgi_temp_path {w}/tmp;
    server {{
        listen 127.0.0.1:{port};
        root {root};
        location /lim/ {{ limit_rate {rate}; }}
        location /norange/ {{ max_ranges 0; }}
    }}
}}
""".format(w=work, log=self.log, port=self.port, root=self.root, rate=rate_bytes))
        self.proc = subprocess.Popen(["nginx", "-p", work, "-c", conf, "-e", os.path.join(work, "error.log")],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=0.2).close()
                break
            except OSError:
                time.sleep(0.05)
        self.base = "http://127.0.0.1:%d" % self.port

    def log_size(self):
        return os.path.getsize(self.log) if os.path.exists(self.log) else 0

    def bytes_sent_since(self, offset, uri):
        """Body bytes nginx sent for uri in log lines written after offset."""
        time.sleep(0.3)
        total = 0
        with open(self.log) as f:
            f.seek(offset)
            for line in f:
                parts = line.split()
                if len(parts) >= 2 and parts[1] == uri:
                    total += int(parts[-1])
        return total

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def children_cpu():
    """User + system seconds of every child this process has waited for so far."""
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def process_cpu(pid):
    """User + system seconds of a running process (all its threads); None once it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return None
    # After the name: state is field 3 of stat(5), utime and stime are fields 14 and 15.
    return (int(fields[11]) + int(fields[12])) / TICK


def wineserver_pid(prefix):
    """The Wine server of a prefix: it works in a folder named server-DEV-INODE after the
    prefix folder's device and inode (under /tmp). None when none runs."""
    st = os.stat(prefix)
    folder = "/server-%x-%x" % (st.st_dev, st.st_ino)
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % name) as f:
                if f.read().startswith("wineserver") and os.readlink("/proc/%s/cwd" % name).endswith(folder):
                    return int(name)
        except OSError:
            continue
    return None


class ServerClock:
    """CPU seconds of a prefix's Wine server between two readings (0 when no server runs)."""

    def __init__(self, prefix):
        self.prefix = prefix
        self.pid = None

    def read(self):
        if self.pid is None or process_cpu(self.pid) is None:
            self.pid = wineserver_pid(self.prefix)
        value = process_cpu(self.pid) if self.pid else None
        return value or 0.0
