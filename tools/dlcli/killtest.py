#!/usr/bin/env python3
"""Kill test of the download engine.

Downloads a throttled file with dlcli.exe under Wine from a reference server of its own on
127.0.0.1, kills the Windows process hard (SIGKILL, no clean shutdown) at random moments many
times, restarts it each time, and finally lets it finish. After every kill each block that the
".kvb" table marks done must hold the source's bytes; at the end the target must equal the
source. Prints the bytes fetched in all (counted by a relay in front of the server, headers
included) and the ranges asked for (from the server's request log) against the file's size.

    killtest.py --build-dir BUILD [--short] [--size BYTES] [--kills N] [--rate BYTES_PER_S]

Exit status 0 when every check held, 1 otherwise.
"""
import argparse
import os
import random
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from harness import Server, Wine  # noqa: E402


class Relay:
    """A TCP relay in front of the server that counts the bytes it hands to the client, so
    that what was really fetched (headers included) can be told from what was asked for."""

    def __init__(self, port):
        self.target = ("127.0.0.1", port)
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(64)
        self.port = self.listener.getsockname()[1]
        self.fetched = 0
        self.lock = threading.Lock()
        threading.Thread(target=self.accept_loop, daemon=True).start()

    def accept_loop(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            try:
                server = socket.create_connection(self.target)
            except OSError:
                client.close()
                continue
            threading.Thread(target=self.pump, args=(client, server, False), daemon=True).start()
            threading.Thread(target=self.pump, args=(server, client, True), daemon=True).start()

    def pump(self, source, sink, count):
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    break
                sink.sendall(data)
                if count:
                    with self.lock:
                        self.fetched += len(data)
        except OSError:
            pass
        for s in (source, sink):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def close(self):
        self.listener.close()


def processes_holding(marker):
    """Pids of live processes whose command line names marker."""
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                if marker.encode() in f.read():
                    pids.append(int(entry))
        except OSError:
            pass
    return pids


def kill_hard(proc, marker):
    """SIGKILL the Windows process and make sure nothing of it lives on."""
    os.killpg(proc.pid, signal.SIGKILL)
    proc.wait()
    deadline = time.time() + 5
    while time.time() < deadline:
        left = processes_holding(marker)
        if not left:
            return True
        for pid in left:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        time.sleep(0.05)
    return False


def check_done_blocks(target, source):
    """Every block the table marks done must hold the source's bytes. Returns (done, bad)."""
    try:
        with open(target + ".kvb", "rb") as f:
            table = f.read()
        with open(target + ".kvd", "rb") as f:
            data = f.read()
    except OSError:
        return 0, 0
    if len(table) < 256 or table[:8] != b"KVDLBMP\0":
        return 0, 0
    block_size, = struct.unpack_from("<i", table, 12)
    done = bad = 0
    for i, state in enumerate(table[256:]):
        if state == 255:
            done += 1
            piece = slice(i * block_size, (i + 1) * block_size)
            if data[piece] != source[piece]:
                bad += 1
    return done, bad


def requested_bytes(lines, size):
    total = 0
    for line in lines:
        if not line.startswith("GET "):
            continue
        match = re.search(r" bytes=(\d+)-(\d*)$", line)
        if match:
            first = int(match.group(1))
            last = int(match.group(2)) if match.group(2) else size - 1
            total += min(last, size - 1) - first + 1
        else:
            total += size
    return total


def run(args):
    build = os.path.abspath(args.build_dir)
    dlcli = os.path.join(build, "bin", "dlcli.exe")
    if not os.path.exists(dlcli):
        print("missing", dlcli)
        return 1
    wine = Wine(build)
    wine.create()
    # A persistent wineserver: each start of dlcli then takes well under a second.
    wine.keep_server()
    rng = random.Random(args.seed)
    work = tempfile.mkdtemp(prefix="orvane-kill.")
    server = Server(work)
    failures = 0
    try:
        source = rng.randbytes(args.size) if hasattr(rng, "randbytes") else os.urandom(args.size)
        with open(os.path.join(server.root, "big.bin"), "wb") as f:
            f.write(source)
        server.rule("path=/big.bin&method=GET&rate=%d" % args.rate)
        target = os.path.join(work, "out", "big.bin")
        os.makedirs(os.path.dirname(target))
        relay = Relay(server.port)
        url = "http://127.0.0.1:%d/big.bin" % relay.port
        marker = Wine.windows_path(target)
        command = wine.command(dlcli, "--timeout-ms", "20000", url, marker)
        finished = False
        for kill in range(args.kills):
            proc = subprocess.Popen(command, env=wine.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                    start_new_session=True)
            delay = rng.uniform(args.min_delay, args.max_delay)
            try:
                proc.wait(timeout=delay)
                finished = True
                print("run %d finished before its kill (exit %d)" % (kill + 1, proc.returncode))
                if proc.returncode != 0:
                    failures += 1
                break
            except subprocess.TimeoutExpired:
                pass
            if not kill_hard(proc, marker):
                print("run %d: the Windows process survived SIGKILL" % (kill + 1))
                failures += 1
            done, bad = check_done_blocks(target, source)
            print("kill %d after %.2f s: %d blocks done, %d wrong" % (kill + 1, delay, done, bad))
            failures += bad > 0
        if not finished:
            result = subprocess.run(command, env=wine.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                    timeout=600)
            lines = result.stdout.decode(errors="replace").splitlines()
            print("final run: exit %d, %s" % (result.returncode, lines[-1] if lines else "no output"))
            failures += result.returncode != 0
        try:
            with open(target, "rb") as f:
                same = f.read() == source
        except OSError:
            same = False
        print("target identical to the source: %s" % ("yes" if same else "NO"))
        failures += not same
        requests = server.requests("/big.bin")
        asked = requested_bytes(requests, args.size)
        print("requests: %d; bytes asked for in their ranges: %d (%.2fx the file)" %
              (len(requests), asked, asked / args.size))
        print("bytes fetched in all: %d for a file of %d (%.3fx)" %
              (relay.fetched, args.size, relay.fetched / args.size))
        relay.close()
    finally:
        server.stop()
        shutil.rmtree(work, ignore_errors=True)
    print("PASS" if failures == 0 else "FAIL (%d)" % failures)
    return 0 if failures == 0 else 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--short", action="store_true", help="few kills, small file")
    parser.add_argument("--size", type=int)
    parser.add_argument("--kills", type=int)
    parser.add_argument("--rate", type=int, help="bytes per second per connection")
    parser.add_argument("--seed", type=int, default=int(time.time()))
    args = parser.parse_args()
    if args.short:
        defaults = dict(size=3 * 1024 * 1024 + 777, kills=6, rate=50000, min_delay=0.8, max_delay=2.5)
    else:
        defaults = dict(size=32 * 1024 * 1024 + 12345, kills=40, rate=100000, min_delay=0.5, max_delay=4.0)
    for key, value in defaults.items():
        if getattr(args, key, None) is None:
            setattr(args, key, value)
    print("seed %d, size %d, kills %d, rate %d B/s per connection" % (args.seed, args.size, args.kills, args.rate))
    return run(args)


if __name__ == "__main__":
    sys.exit(main())
