"""A TCP proxy on 127.0.0.1 that gives loopback a real network's shape: every byte is held
back by half a round trip in each direction, and each connection is capped at a rate, as a
server or a path often caps one connection on the Internet. Threads only; no queueing
discipline of the kernel is needed.

Each direction of a connection is a small link: a reader takes chunks from one side as the
link has room for them (at most the bytes in flight at the rate over the delay, plus a little),
stamps each with its earliest delivery time (arrival + delay, and no earlier than the link has
finished sending the chunk before it at the rate), and a writer hands them on at that time.
The bytes handed to clients are counted.

    proxy = DelayProxy(upstream_port, rtt_s=0.1, rate=2 << 20)
    ... http://127.0.0.1:%d/ % proxy.port ...
    proxy.fetched; proxy.close()
"""
import queue
import socket
import threading
import time

CHUNK = 16384


class DelayProxy:
    def __init__(self, upstream_port, rtt_s, rate):
        self.target = ("127.0.0.1", upstream_port)
        self.delay = rtt_s / 2.0
        self.rate = float(rate)
        # Chunks a link holds: what the rate carries over the delay, and some room besides.
        self.depth = int(self.rate * self.delay / CHUNK) + 4
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(128)
        self.port = self.listener.getsockname()[1]
        self.fetched = 0
        self.connections = 0
        self.lock = threading.Lock()
        threading.Thread(target=self._accept_loop, daemon=True).start()

    def reset_count(self):
        with self.lock:
            self.fetched = 0
            self.connections = 0

    def close(self):
        self.listener.close()

    def _accept_loop(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            with self.lock:
                self.connections += 1
            threading.Thread(target=self._connect, args=(client,), daemon=True).start()

    def _connect(self, client):
        # Opening the connection costs a round trip too.
        time.sleep(2 * self.delay)
        try:
            server = socket.create_connection(self.target)
        except OSError:
            client.close()
            return
        for s in (client, server):
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self._link(client, server, False)
        self._link(server, client, True)

    def _link(self, source, sink, count):
        chunks = queue.Queue(self.depth)
        threading.Thread(target=self._read, args=(source, sink, chunks), daemon=True).start()
        threading.Thread(target=self._write, args=(source, sink, chunks, count), daemon=True).start()

    def _read(self, source, sink, chunks):
        free_at = 0.0
        while True:
            try:
                data = source.recv(CHUNK)
            except OSError:
                data = b""
            if not data:
                chunks.put((None, 0.0))
                return
            now = time.monotonic()
            free_at = max(now + self.delay, free_at) + len(data) / self.rate
            chunks.put((data, free_at))

    def _write(self, source, sink, chunks, count):
        while True:
            data, due = chunks.get()
            if data is None:
                break
            wait = due - time.monotonic()
            if wait > 0:
                time.sleep(wait)
            try:
                sink.sendall(data)
            except OSError:
                break
            if count:
                with self.lock:
                    self.fetched += len(data)
        for s in (sink, source):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        # A reader held up by a full link ends once its source is shut and it has room.
        while data is not None:
            data, _ = chunks.get()
