#!/usr/bin/env python3
"""Benchmark of the download engine (dlcli.exe under Wine) against curl and aria2c.

Every client fetches the same files from one nginx on 127.0.0.1 (a non-daemon nginx with its
configuration in a temporary folder):

  (a) a large file without limits (256 MiB);
  (b) a file with each connection throttled (nginx limit_rate), where five connections give
      a floor of size / (5 x rate) - 1 s (nginx sends a request's first second at once);
  (c) a resume: the download is killed hard at about half and run again; the bytes the
      server sent in all beyond the file size were fetched twice;
  (d) a larger file without limits (1 GiB);
  (e) a 3 GiB file with the i686 build under the 32-bit loader, checked byte for byte against
      the server's (skipped, with one line, where 32-bit programs cannot run);
  (f) a real network's shape: a file fetched through a proxy (netproxy.py) that delays every
      byte by half a round trip each way and caps each connection's rate; the floor is
      size / (5 x rate) + two round trips (the size query, then the ranges);
  (g) a server that ignores Range (200 and the whole file to every ranged GET) behind the
      proxy's cap: a fresh download against curl's one stream, bytes fetched and time; then
      a resume killed hard part way and run again with a short inactivity time-out.

Prints the median wall time of several runs, the ratios to aria2c, and each client's CPU (user
+ system) per GiB; for the engine, the CPU of the prefix's Wine server besides, which does the
work of the engine's system calls. Wine's own start-up (an empty dlcli run) is printed first:
it is part of every engine figure.

    bench.py --build-dir BUILD [--runs 3] [--big-mb 256] [--large-mb 1024] [--lim-mb 64]
             [--rate-mb 4] [--huge-mb 3072] [--huge-runs 1] [--i686-build-dir BUILD32]
             [--big-throttled] [--skip-curl-throttled] [--only a|b|c|d|e ...]
             [--baseline-dlcli OTHER/bin/dlcli.exe] [--net-rtt-ms 100] [--net-rate-kb 2048]

--baseline-dlcli runs another build's dlcli.exe ("before") beside the engine in the same runs,
so that a change of the engine is compared on one machine in one sitting.
"""
import argparse
import filecmp
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
sys.path.insert(0, HERE)
from benchlib import Nginx, ServerClock, children_cpu, write_file  # noqa: E402
from netproxy import DelayProxy  # noqa: E402
from harness import wine_binary, wine_env  # noqa: E402
BLOCK = 16384
GIB = float(1 << 30)
ENGINES = ["engine"]
CLIENTS = ["engine", "curl", "aria2c"]


def add_baseline():
    """Makes "before", the baseline dlcli, one more engine of every case."""
    ENGINES.insert(0, "before")
    CLIENTS.insert(0, "before")


class Sample:
    """One run or the medians of several: wall time, the client's CPU (user + system, its
    children included) and the Wine server's CPU over the run, in seconds."""

    def __init__(self, wall, cpu, server):
        self.wall, self.cpu, self.server = wall, cpu, server

    @staticmethod
    def median(samples):
        if not samples:
            return None
        return Sample(*(statistics.median(getattr(s, key) for s in samples) for key in ("wall", "cpu", "server")))


class Clients:
    def __init__(self, build, work, baseline=None):
        self.build = build
        self.baseline = baseline
        self.env = wine_env(build)
        self.wine = wine_binary(build)
        self.dlcli = os.path.join(build, "bin", "dlcli.exe")
        self.server = ServerClock(self.env["WINEPREFIX"])
        self.out = os.path.join(work, "dl")
        os.makedirs(self.out, exist_ok=True)

    def clean(self, name):
        for suffix in ("", ".kvd", ".kvb", ".aria2"):
            path = os.path.join(self.out, name + suffix)
            if os.path.exists(path):
                os.remove(path)

    def command(self, client, url, name, resume=False, timeout_ms=30000):
        target = os.path.join(self.out, name)
        if client in ENGINES:
            winpath = "Z:" + target.replace("/", "\\")
            exe = self.baseline if client == "before" else self.dlcli
            return [self.wine, exe, "--timeout-ms", str(timeout_ms), url, winpath]
        if client == "curl":
            return ["curl", "-s", "-f", "-o", target] + (["-C", "-"] if resume else []) + [url]
        return ["aria2c", "-q", "-x5", "-s5", "-k1M", "--allow-overwrite=true", "--auto-file-renaming=false",
                "--check-certificate=false", "-d", self.out, "-o", name] + (["-c"] if resume else []) + [url]

    def measured(self, command):
        """Runs a command to its end: (its result, a Sample of the run)."""
        cpu, server = children_cpu(), self.server.read()
        start = time.monotonic()
        # Output goes to a file, not a pipe: a Wine server that the run starts inherits the
        # handle and lives on, and a pipe would then never reach its end.
        with tempfile.TemporaryFile() as output:
            result = subprocess.run(command, env=self.env, stdout=output, stderr=subprocess.STDOUT)
            wall = time.monotonic() - start
            output.seek(0)
            result.stdout = output.read()
        return result, Sample(wall, children_cpu() - cpu, self.server.read() - server)

    def timed(self, client, url, name, size, source=None):
        """One download from scratch: a Sample, or None if it failed (or, given the source file,
        the result differs from it)."""
        self.clean(name)
        result, sample = self.measured(self.command(client, url, name))
        target = os.path.join(self.out, name)
        ok = result.returncode == 0 and os.path.exists(target) and os.path.getsize(target) == size
        if ok and source and not filecmp.cmp(source, target, shallow=False):
            print("  %s: the file differs from the server's" % client)
            return None
        if not ok:
            print("  %s failed: exit %d %s" % (client, result.returncode, result.stdout[-300:]))
        return sample if ok else None


def median_runs(clients, client, url, name, size, runs, source=None):
    return Sample.median([s for s in (clients.timed(client, url, name, size, source) for _ in range(runs)) if s])


def wine_startup(clients, runs):
    """An empty dlcli run (it prints its usage): what Wine adds to every engine run."""
    return Sample.median([clients.measured([clients.wine, clients.dlcli])[1] for _ in range(runs)])


def done_fraction_engine(clients, name, size):
    try:
        with open(os.path.join(clients.out, name + ".kvb"), "rb") as f:
            table = f.read()
    except OSError:
        return 0.0
    return table[256:].count(b"\xff") * BLOCK / size if len(table) > 256 else 0.0


def resume_case(clients, nginx, client, uri, name, size, half_time):
    """Kills the client at about half and runs it again. Returns (bytes sent in all - size,
    bytes sent before the kill, bytes the client kept at the kill or None, bytes sent after)."""
    clients.clean(name)
    url = nginx.base + uri
    offset = nginx.log_size()
    proc = subprocess.Popen(clients.command(client, url, name), env=clients.env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True)
    start = time.monotonic()
    while proc.poll() is None:
        if client in ENGINES:
            if done_fraction_engine(clients, name, size) >= 0.5:
                break
        elif time.monotonic() - start >= half_time:
            break
        time.sleep(0.02)
    os.killpg(proc.pid, signal.SIGKILL)
    proc.wait()
    kept = int(done_fraction_engine(clients, name, size) * size) if client in ENGINES else None
    sent_before = nginx.bytes_sent_since(offset, uri)
    middle = nginx.log_size()
    result = subprocess.run(clients.command(client, url, name, resume=True), env=clients.env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    target = os.path.join(clients.out, name)
    if result.returncode != 0 or not os.path.exists(target) or os.path.getsize(target) != size:
        print("  %s resume failed (exit %d)" % (client, result.returncode))
        return None
    sent_after = nginx.bytes_sent_since(middle, uri)
    return sent_before + sent_after - size, sent_before, kept, sent_after


def fmt(value, unit="s"):
    return "   n/a" if value is None else "%6.2f %s" % (value, unit)


def ratio(a, b):
    return "n/a" if a is None or b is None else "%.2fx" % (a / b)


def report_times(title, samples, size, floor=None):
    """Wall time, its ratio to aria2c's (and to the floor), and CPU per GiB of each client;
    the engine's CPU is its process's, the Wine server's beside it."""
    print(title)
    aria = samples.get("aria2c")
    for client in CLIENTS:
        if client not in samples:
            continue
        s = samples[client]
        line = "  %-7s %s" % (client, fmt(s.wall if s else None))
        if client != "aria2c":
            line += "   vs aria2c %s" % ratio(s.wall if s else None, aria.wall if aria else None)
        if floor:
            line += "   vs floor %s" % ratio(s.wall if s else None, floor)
        if s:
            line += "   CPU %.2f s, %.2f s/GiB" % (s.cpu, s.cpu * GIB / size)
            if client in ENGINES:
                line += "; wineserver %.2f s, %.2f s/GiB" % (s.server, s.server * GIB / size)
        print(line)
    if floor:
        print("  floor   %s (five connections at the cap)" % fmt(floor))


def unlimited_case(clients, nginx, uri, size, runs, chosen=CLIENTS):
    name = uri.rsplit("/", 1)[1]
    samples = {c: median_runs(clients, c, nginx.base + uri, name, size, runs) for c in chosen}
    report_times("%d MiB without limits, median of %d" % (size >> 20, runs), samples, size)


def throttled_cases(clients, nginx, args, sizes):
    cases = [("/lim/mid.bin", "mid.bin", sizes["lim"], args.lim_mb)]
    if args.big_throttled:
        cases.append(("/lim/big.bin", "big.bin", sizes["big"], args.big_mb))
    rate = args.rate_mb << 20
    for uri, name, size, mb in cases:
        # One throttled connection takes five times as long; curl runs on the smaller file only.
        with_curl = not args.skip_curl_throttled and name != "big.bin"
        chosen = ENGINES + ["aria2c"] + (["curl"] if with_curl else [])
        samples = {c: median_runs(clients, c, nginx.base + uri, name, size, args.runs) for c in chosen}
        # nginx lets each request send its first second's worth at once.
        report_times("(b) %d MiB at %d MiB/s per connection, median of %d" % (mb, args.rate_mb, args.runs),
                     samples, size, floor=size / (5.0 * rate) - 1.0)


def resume_cases(clients, nginx, args, size):
    rate = args.rate_mb << 20
    half = size / (5.0 * rate) / 2
    print("(c) resume of %d MiB at %d MiB/s per connection, killed at about half:" % (args.lim_mb, args.rate_mb))
    for client in ENGINES + ["aria2c", "curl"]:
        outcome = resume_case(clients, nginx, client, "/lim/mid.bin", "mid.bin", size,
                              half if client == "aria2c" else half * 5)
        if outcome is None:
            continue
        extra, before, kept, after = outcome
        print("  %-7s fetched beyond the file size: %d bytes (%.1f blocks of 16 KiB)" %
              (client, extra, extra / BLOCK))
        if kept is not None:
            # What the server had sent but the table did not hold at the kill was in
            # flight (socket buffers, unfinished reads); the rest was fetched twice.
            print("          sent before the kill %d, done in the table %d, in flight %d;"
                  " sent after %d for %d missing: %d again" %
                  (before, kept, before - kept, after, size - kept, after - (size - kept)))


def network_case(clients, nginx, args, size):
    """(f): engine, aria2c and curl side by side through the delaying, capping proxy."""
    rate, rtt = args.net_rate_kb << 10, args.net_rtt_ms / 1000.0
    proxy = DelayProxy(nginx.port, rtt, rate)
    url = "http://127.0.0.1:%d/mid.bin" % proxy.port
    samples = {c: median_runs(clients, c, url, "mid.bin", size, args.runs if c != "curl" else 1)
               for c in ENGINES + ["aria2c", "curl"]}
    report_times("(f) %d MiB at %d ms RTT and %d KiB/s per connection (curl once), median of %d" %
                 (size >> 20, args.net_rtt_ms, args.net_rate_kb, args.runs), samples, size,
                 floor=size / (5.0 * rate) + 2 * rtt)
    proxy.close()


def ignored_range_case(clients, nginx, args):
    """(g): 16 MiB from a server that ignores Range at 3 MB/s per connection, then a resume of
    24 MiB at 1.5 MB/s per connection killed after 12 s and run again with a 5 s time-out."""
    fresh, deep = 16 << 20, 24 << 20
    write_file(os.path.join(nginx.root, "norange", "fresh.bin"), fresh)
    write_file(os.path.join(nginx.root, "norange", "deep.bin"), deep)
    proxy = DelayProxy(nginx.port, 0.0, 3000000)
    print("(g) a server that ignores Range, 16 MiB at 3 MB/s per connection, one run each:")
    for client in ENGINES + ["curl"]:
        proxy.reset_count()
        sample = clients.timed(client, "http://127.0.0.1:%d/norange/fresh.bin" % proxy.port, "fresh.bin", fresh)
        print("  %-7s %s   fetched %d bytes (%.3fx the file) over %d connections" %
              (client, fmt(sample.wall if sample else None), proxy.fetched, proxy.fetched / fresh,
               proxy.connections))
    proxy.close()
    proxy = DelayProxy(nginx.port, 0.0, 1500000)
    url = "http://127.0.0.1:%d/norange/deep.bin" % proxy.port
    print("    24 MiB at 1.5 MB/s per connection, killed after 12 s, then run again (5 s time-out):")
    for client in ENGINES:
        clients.clean("deep.bin")
        proxy.reset_count()
        proc = subprocess.Popen(clients.command(client, url, "deep.bin", timeout_ms=5000), env=clients.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        time.sleep(12)
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        kept = done_fraction_engine(clients, "deep.bin", deep)
        before = proxy.fetched
        result, sample = clients.measured(clients.command(client, url, "deep.bin", timeout_ms=5000))
        print("  %-7s kept %.0f%% at the kill; the second run: exit %d in %.2f s, fetched %d bytes (%.3fx the file)"
              % (client, kept * 100, result.returncode, sample.wall, proxy.fetched - before,
                 (proxy.fetched - before) / deep))
    proxy.close()


def runs_32bit(build):
    """Why the i686 build cannot run here, or None when it can (its dlcli answers its usage)."""
    exe = os.path.join(build, "bin", "dlcli.exe")
    if not os.access("/usr/lib/wine/wine", os.X_OK):
        return "no 32-bit Wine loader (/usr/lib/wine/wine)"
    if not os.path.exists(exe):
        return "no i686 build in %s" % build
    result = subprocess.run([wine_binary(build), exe], env=wine_env(build), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    return None if result.returncode == 64 else "its dlcli.exe does not start (exit %d)" % result.returncode


def huge_case(args, work, nginx):
    """The largest file with the i686 build under the 32-bit loader, checked byte for byte."""
    build = os.path.abspath(args.i686_build_dir)
    why = runs_32bit(build)
    if why:
        print("(e) %d MiB with the i686 build: skipped, %s" % (args.huge_mb, why))
        return
    size = args.huge_mb << 20
    source = os.path.join(work, "root", "huge.bin")
    write_file(source, size)
    clients = Clients(build, work)
    subprocess.run(["wineserver", "-p"], env=clients.env)
    samples = {c: median_runs(clients, c, nginx.base + "/huge.bin", "huge.bin", size, args.huge_runs, source)
               for c in ("engine", "aria2c")}
    report_times("(e) %d MiB without limits, i686 build under the 32-bit loader, byte for byte, median of %d" %
                 (args.huge_mb, args.huge_runs), samples, size)
    clients.clean("huge.bin")
    os.remove(source)


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--big-mb", type=int, default=256)
    parser.add_argument("--large-mb", type=int, default=1024)
    parser.add_argument("--lim-mb", type=int, default=64)
    parser.add_argument("--rate-mb", type=int, default=4)
    parser.add_argument("--huge-mb", type=int, default=3072)
    parser.add_argument("--huge-runs", type=int, default=1)
    parser.add_argument("--i686-build-dir", help="the i686 build for (e); build-i686 beside --build-dir")
    parser.add_argument("--big-throttled", action="store_true", help="also the large file under the cap")
    parser.add_argument("--skip-curl-throttled", action="store_true")
    parser.add_argument("--only", choices=["a", "b", "c", "d", "e", "f", "g"], action="append")
    parser.add_argument("--net-rtt-ms", type=int, default=100)
    parser.add_argument("--net-rate-kb", type=int, default=2048)
    parser.add_argument("--baseline-dlcli", help="another build's dlcli.exe, run beside the engine as \"before\"")
    args = parser.parse_args()
    if not args.i686_build_dir:
        args.i686_build_dir = os.path.join(os.path.dirname(os.path.abspath(args.build_dir)), "build-i686")
    return args


def main():
    args = parse_args()
    only = set(args.only or ["a", "b", "c", "d", "e", "f", "g"])
    work = tempfile.mkdtemp(prefix="orvane-bench.")
    sizes = {"big": args.big_mb << 20, "lim": args.lim_mb << 20, "large": args.large_mb << 20}
    write_file(os.path.join(work, "root", "big.bin"), sizes["big"])
    write_file(os.path.join(work, "root", "lim", "mid.bin"), sizes["lim"])
    if "d" in only:
        write_file(os.path.join(work, "root", "large.bin"), sizes["large"])
    os.link(os.path.join(work, "root", "lim", "mid.bin"), os.path.join(work, "root", "mid.bin"))
    if args.big_throttled:
        os.link(os.path.join(work, "root", "big.bin"), os.path.join(work, "root", "lim", "big.bin"))
    nginx = Nginx(work, args.rate_mb << 20)
    if args.baseline_dlcli:
        add_baseline()
    baseline = os.path.abspath(args.baseline_dlcli) if args.baseline_dlcli else None
    clients = Clients(os.path.abspath(args.build_dir), work, baseline)
    subprocess.run(["wineserver", "-p"], env=clients.env)
    try:
        empty = wine_startup(clients, 5)
        print("wine start-up (empty dlcli run): %s, CPU %.2f s, wineserver %.2f s (in every engine figure)" %
              (fmt(empty.wall), empty.cpu, empty.server))
        if "a" in only:
            print("(a)", end=" ")
            unlimited_case(clients, nginx, "/big.bin", sizes["big"], args.runs)
        if "d" in only:
            print("(d)", end=" ")
            unlimited_case(clients, nginx, "/large.bin", sizes["large"], args.runs)
        if "b" in only:
            throttled_cases(clients, nginx, args, sizes)
        if "c" in only:
            resume_cases(clients, nginx, args, sizes["lim"])
        if "f" in only:
            network_case(clients, nginx, args, sizes["lim"])
        if "g" in only:
            ignored_range_case(clients, nginx, args)
        if "e" in only:
            huge_case(args, work, nginx)
    finally:
        nginx.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
