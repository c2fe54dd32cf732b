#!/usr/bin/env python3
"""What the platform under Wine delivers to one process pulling a file over HTTP: netprobe.exe
fetches a file from nginx on 127.0.0.1 through each read call (WinInet's InternetReadFile,
InternetReadFileEx, InternetQueryDataAvailable + InternetReadFile, a Winsock recv loop), over one
connection or several (ranged GETs of one share each), with read sizes from 16 KiB to 4 MiB.

For each case prints the medians over the runs of: throughput over the transfer, its time, the
CPU (user + system) of the probe's process and of the prefix's Wine server over the transfer
(from /proc, read just before and just after), the slowest close of a request, the number of
read calls and the bytes per call. Besides the matrix come the engine's own pattern (1 MiB reads
written to a file, with and without a 10 ms pause before each) and requests closed early, as
when another connection has taken a share's rest over (with and without reading the rest first),
on the fast file and on a smaller one that nginx sends at 1 MiB/s per connection.
The runs go round the whole list once per run, so that the machine's other load falls on every
case alike. Nothing is asserted.

    probe.py --build-dir BUILD [--runs 3] [--size-mb 256] [--reads 16,64,256,1024,4096]
             [--apis wininet,wininet-ex,wininet-qda,recv] [--conns 1,5] [--no-engine-like]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, ".."))
from benchlib import Nginx, ServerClock, process_cpu, write_file  # noqa: E402
from harness import wine_binary, wine_env  # noqa: E402

APIS = "wininet,wininet-ex,wininet-qda,recv"


class Case:
    """One line of the table: netprobe's API, connections and read size, and its options
    (gather_ms: a pause before each read; write: every read written to a file; stop_mib: each
    connection closes its request after that many MiB of its share; read_rest: it reads the rest
    of the answer itself before closing)."""

    def __init__(self, api, conns, read_kib, gather_ms=0, write=False, stop_mib=0, read_rest=False, slow=False):
        self.api, self.conns, self.read = api, conns, read_kib << 10
        self.gather_ms, self.write, self.stop_mib, self.read_rest = gather_ms, write, stop_mib, read_rest
        # slow: the smaller file under /lim/, where nginx holds each connection to 1 MiB/s.
        self.slow = slow
        self.samples = []

    def label(self):
        extra = (" +%dms" % self.gather_ms if self.gather_ms else "") + (" +write" if self.write else "")
        if self.stop_mib:
            extra += " stop@%dM%s" % (self.stop_mib, "+rest" if self.read_rest else "")
        extra += " 1MiB/s" if self.slow else ""
        return "%-11s %d %4d KiB%s" % (self.api, self.conns, self.read >> 10, extra)

    def options(self, target):
        options = ["--gather-ms", str(self.gather_ms)] if self.gather_ms else []
        options += ["--write", target] if self.write else []
        options += ["--stop-after", str(self.stop_mib << 20)] if self.stop_mib else []
        return options + (["--read-rest"] if self.read_rest else [])


class Prober:
    def __init__(self, build, port, sizes, work):
        self.env = wine_env(build)
        self.wine = wine_binary(build)
        self.exe = os.path.join(build, "bin", "netprobe.exe")
        self.server = ServerClock(self.env["WINEPREFIX"])
        self.port, self.sizes = port, sizes
        self.target = "Z:" + os.path.join(work, "probe.out").replace("/", "\\")

    def command(self, case):
        path = "/lim/slow.bin" if case.slow else "/big.bin"
        return [self.wine, self.exe, case.api, str(case.conns), str(case.read), str(self.port), path,
                str(self.sizes[case.slow])] + case.options(self.target)

    def run(self, case):
        """One transfer: a dict of its figures, or None if it failed."""
        proc = subprocess.Popen(self.command(case), env=self.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)
        try:
            if proc.stdout.readline().strip() != "ready":
                return None
            cpu, server = process_cpu(proc.pid), self.server.read()
            proc.stdin.write("go\n")
            proc.stdin.flush()
            line = proc.stdout.readline()
            cpu, server = (process_cpu(proc.pid) or cpu) - cpu, self.server.read() - server
        finally:
            proc.stdin.close()
            proc.wait()
        fields = dict(item.split("=", 1) for item in line.split())
        if proc.returncode != 0 or int(fields.get("bytes", -1)) != expected(case, self.sizes[case.slow]):
            print("  %s failed: exit %d %s" % (case.label(), proc.returncode, line.strip()))
            return None
        return {"s": float(fields["ms"]) / 1000, "cpu": cpu, "server": server, "calls": int(fields["calls"]),
                "close": float(fields["close_ms"]) / 1000}


def expected(case, size):
    """The bytes a case reads."""
    return min(size, case.conns * (case.stop_mib << 20)) if case.stop_mib else size


def matrix(args):
    cases = [Case(api, conns, kib) for api in args.apis.split(",") for conns in args.conns
             for kib in args.reads]
    if not args.no_engine_like:
        # What the engine does today: five connections, 1 MiB reads, a 10 ms pause before each,
        # every read written at its offset.
        cases += [Case("wininet", 5, 1024, write=True), Case("wininet", 5, 1024, gather_ms=10, write=True)]
        # A connection whose rest another has taken over closes its request early: WinInet then
        # takes in what the server still sends before the socket goes; or the reader does that
        # itself with full-size reads first.
        cases += [Case("wininet", 5, 1024, stop_mib=16), Case("wininet", 5, 1024, stop_mib=16, read_rest=True),
                  Case("wininet", 5, 4096, stop_mib=16, read_rest=True),
                  Case("wininet", 5, 1024, stop_mib=2, slow=True),
                  Case("wininet", 5, 1024, stop_mib=2, read_rest=True, slow=True)]
    return cases


def report(cases, sizes, runs):
    print("%d MiB from nginx on 127.0.0.1 (1MiB/s: %d MiB, each connection held to 1 MiB/s), medians of %d runs"
          " (CPU over the transfer, user + system)" % (sizes[False] >> 20, sizes[True] >> 20, runs))
    print("(MiB/s: the bytes read over the time; close s: the slowest connection's close, in the time)")
    print("%-42s %7s %7s %7s %7s %7s %7s %8s" % ("case (api conns read)", "MiB/s", "time s", "proc s", "wsrv s",
                                               "close s", "calls", "KiB/call"))
    for case in cases:
        if not case.samples:
            print("%-42s   failed" % case.label())
            continue
        med = {key: statistics.median(s[key] for s in case.samples)
               for key in ("s", "cpu", "server", "calls", "close")}
        got = expected(case, sizes[case.slow])
        print("%-42s %7.0f %7.3f %7.3f %7.3f %7.3f %7d %8.1f" %
              (case.label(), (got >> 20) / med["s"], med["s"], med["cpu"], med["server"], med["close"],
               med["calls"], got / 1024.0 / max(med["calls"], 1)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--size-mb", type=int, default=256)
    parser.add_argument("--reads", type=lambda v: [int(x) for x in v.split(",")],
                        default=[16, 64, 256, 1024, 4096], help="read sizes in KiB")
    parser.add_argument("--apis", default=APIS)
    parser.add_argument("--conns", type=lambda v: [int(x) for x in v.split(",")], default=[1, 5])
    parser.add_argument("--no-engine-like", action="store_true", help="leave out the engine's own pattern")
    args = parser.parse_args()
    build = os.path.abspath(args.build_dir)
    work = tempfile.mkdtemp(prefix="orvane-probe.")
    sizes = {False: args.size_mb << 20, True: 32 << 20}
    write_file(os.path.join(work, "root", "big.bin"), sizes[False])
    write_file(os.path.join(work, "root", "lim", "slow.bin"), sizes[True])
    nginx = Nginx(work, 1 << 20)
    prober = Prober(build, nginx.port, sizes, work)
    subprocess.run(["wineserver", "-p"], env=prober.env)
    cases = matrix(args)
    try:
        for _ in range(args.runs):
            for case in cases:
                sample = prober.run(case)
                if sample:
                    case.samples.append(sample)
        report(cases, sizes, args.runs)
    finally:
        nginx.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
