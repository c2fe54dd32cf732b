#!/usr/bin/env python3
"""Checks of the reference server itself: serving, ranges, keep-alive, rules, record, hook."""

import http.client
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "..", "..", "tools", "refserver", "refserver.py")
CONTENT = bytes((i * 7 + 3) % 256 for i in range(300000))


class RunningServer:
    def __init__(self, server=SERVER):
        self.dir = tempfile.mkdtemp(prefix="refserver-test.")
        self.root = os.path.join(self.dir, "root")
        self.state = os.path.join(self.dir, "state")
        os.makedirs(self.root)
        port_file = os.path.join(self.dir, "port")
        self.proc = subprocess.Popen([sys.executable, server, "--port", "0", "--root", self.root,
                                      "--state", self.state, "--port-file", port_file],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.port = int(self.proc.stdout.readline())
        with open(port_file) as f:
            assert int(f.read()) == self.port

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        code = self.proc.wait(timeout=5)
        self.proc.stdout.close()
        shutil.rmtree(self.dir)
        return code

    def conn(self):
        return http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)

    def get(self, path, method="GET", headers=None, body=None):
        c = self.conn()
        c.request(method, path, body=body, headers=headers or {})
        r = c.getresponse()
        data = r.read()
        c.close()
        return r, data

    def ctl(self, what):
        r, data = self.get("/_ctl/" + what)
        return r.status, data.decode()

    def rule(self, query):
        status, text = self.ctl("rule?" + query)
        assert status == 200, text


class ServerCase(unittest.TestCase):
    """One server per test class with f.bin in its root; rules and record reset per test."""

    @classmethod
    def setUpClass(cls):
        cls.srv = RunningServer()
        with open(os.path.join(cls.srv.root, "f.bin"), "wb") as f:
            f.write(CONTENT)
        os.utime(os.path.join(cls.srv.root, "f.bin"), (1445412480, 1445412480))

    @classmethod
    def tearDownClass(cls):
        cls.srv.stop()

    def setUp(self):
        self.srv.ctl("reset")


class ServingTest(ServerCase):
    def test_head_and_get_carry_length_and_date(self):
        r, data = self.srv.get("/f.bin", "HEAD")
        self.assertEqual((r.status, data), (200, b""))
        self.assertEqual(r.getheader("Content-Length"), str(len(CONTENT)))
        self.assertEqual(r.getheader("Last-Modified"), "Wed, 21 Oct 2015 07:28:00 GMT")
        r, data = self.srv.get("/f.bin?x=1")
        self.assertEqual((r.status, data), (200, CONTENT))
        self.assertEqual(self.srv.get("/missing")[0].status, 404)
        self.assertEqual(self.srv.get("/../etc/passwd")[0].status, 404)

    def test_ranges(self):
        cases = [("bytes=100-199", 206, 100, 199), ("bytes=299990-", 206, 299990, 299999),
                 ("bytes=-10", 206, 299990, 299999), ("bytes=299000-400000", 206, 299000, 299999)]
        for header, status, first, last in cases:
            r, data = self.srv.get("/f.bin", headers={"Range": header})
            self.assertEqual(r.status, status, header)
            self.assertEqual(data, CONTENT[first:last + 1], header)
            self.assertEqual(r.getheader("Content-Range"), "bytes %d-%d/%d" % (first, last, len(CONTENT)))
        r, _ = self.srv.get("/f.bin", headers={"Range": "bytes=300000-"})
        self.assertEqual((r.status, r.getheader("Content-Range")), (416, "bytes */300000"))
        r, data = self.srv.get("/f.bin", headers={"Range": "bytes=0-1,5-6"})
        self.assertEqual((r.status, len(data)), (200, len(CONTENT)))

    def test_keep_alive_serves_several_requests_on_one_connection(self):
        before = int(self.srv.ctl("connections")[1])
        c = self.srv.conn()
        for header in ("bytes=0-9", "bytes=10-19"):
            c.request("GET", "/f.bin", headers={"Range": header})
            self.assertEqual(len(c.getresponse().read()), 10)
        c.request("POST", "/f.bin", body=b"a=1")
        self.assertEqual(c.getresponse().read(), CONTENT)
        c.close()
        # This connection and the one of the control GET.
        self.assertEqual(int(self.srv.ctl("connections")[1]), before + 2)

    def test_record_lists_method_target_and_range_in_order(self):
        self.srv.get("/f.bin", "HEAD")
        self.srv.get("/f.bin?a=1&b=%20", headers={"Range": "bytes=5-"})
        self.srv.get("/other")
        self.assertEqual(self.srv.ctl("requests")[1],
                         "HEAD /f.bin\nGET /f.bin?a=1&b=%20 bytes=5-\nGET /other\n")
        self.assertEqual(self.srv.ctl("requests?path=/other")[1], "GET /other\n")
        with open(os.path.join(self.srv.state, "requests.log")) as log:
            self.assertEqual(len(log.read().splitlines()), 3)


class RuleTest(ServerCase):
    def statuses(self, n, path="/f.bin", method="GET"):
        return [self.srv.get(path, method)[0].status for _ in range(n)]

    def test_count_nth_and_method_select_requests(self):
        self.srv.rule("path=/f.bin&status=503&count=2")
        self.assertEqual(self.statuses(3), [503, 503, 200])
        self.srv.ctl("reset")
        self.srv.rule("path=/f.bin&status=404&nth=2")
        self.assertEqual(self.statuses(3), [200, 404, 200])
        self.srv.ctl("reset")
        self.srv.rule("path=/f.bin&after=1&count=2&status=500")
        self.assertEqual(self.statuses(3), [200, 500, 200])
        self.srv.ctl("reset")
        self.srv.rule("path=/f.bin&method=HEAD&status=405")
        self.assertEqual(self.statuses(1, method="HEAD") + self.statuses(1), [405, 200])
        self.assertEqual(self.srv.ctl("rule?path=/f.bin&nonsense=1")[0], 400)
        self.assertEqual(self.srv.ctl("rule?status=500")[0], 400)

    def test_first_active_rule_wins_and_later_ones_take_over(self):
        self.srv.rule("path=/f.bin&status=503&count=1")
        self.srv.rule("path=/f.bin&no_date=1")
        r, _ = self.srv.get("/f.bin")
        self.assertEqual(r.status, 503)
        r, _ = self.srv.get("/f.bin")
        self.assertEqual((r.status, r.getheader("Last-Modified")), (200, None))
        self.srv.ctl("clear")
        self.assertIsNotNone(self.srv.get("/f.bin")[0].getheader("Last-Modified"))

    def test_header_shaping(self):
        self.srv.rule("path=/f.bin&no_length=1&count=2")
        r, data = self.srv.get("/f.bin", "HEAD")
        self.assertIsNone(r.getheader("Content-Length"))
        r, data = self.srv.get("/f.bin")
        self.assertEqual((r.getheader("Content-Length"), data), (None, CONTENT))
        self.srv.rule("path=/f.bin&ignore_range=1&count=1")
        r, data = self.srv.get("/f.bin", headers={"Range": "bytes=10-20"})
        self.assertEqual((r.status, data), (200, CONTENT))
        self.srv.ctl("reset")
        self.srv.rule("path=/f.bin&empty=1")
        r, data = self.srv.get("/f.bin", headers={"Range": "bytes=10-20"})
        self.assertEqual((r.status, r.getheader("Content-Length"), data), (206, "0", b""))
        self.srv.ctl("reset")
        self.srv.rule("path=/big&gen=10&length=5368709120")
        r, _ = self.srv.get("/big", "HEAD")
        self.assertEqual(r.getheader("Content-Length"), "5368709120")
        self.srv.rule("path=/c&body=hello%20world&chunked=1")
        r, data = self.srv.get("/c")
        self.assertEqual((r.getheader("Transfer-Encoding"), data), ("chunked", b"hello world"))

    def test_generated_and_echoed_bodies(self):
        self.srv.rule("path=/g.bin&gen=1000000")
        r, data = self.srv.get("/g.bin", headers={"Range": "bytes=999000-"})
        self.assertEqual(data, bytes(i % 251 for i in range(999000, 1000000)))
        self.srv.rule("path=/e&echo=1")
        r, data = self.srv.get("/e?q=1", "POST", headers={"Content-Type": "text/x"}, body=b"k=v")
        self.assertTrue(data.startswith(b"POST /e?q=1 HTTP/1.1\r\n"), data)
        self.assertIn(b"Content-Type: text/x\r\n", data)
        self.assertTrue(data.endswith(b"\r\n\r\nk=v"), data)

    def test_cut_connection_delivers_only_the_first_bytes(self):
        self.srv.rule("path=/f.bin&cut=1000")
        c = self.srv.conn()
        c.request("GET", "/f.bin")
        r = c.getresponse()
        self.assertEqual(r.getheader("Content-Length"), str(len(CONTENT)))
        with self.assertRaises(http.client.IncompleteRead) as caught:
            r.read()
        self.assertEqual(caught.exception.partial, CONTENT[:1000])

    def test_timing_rules(self):
        self.srv.rule("path=/f.bin&delay=300&count=1")
        started = time.monotonic()
        self.assertEqual(self.srv.get("/f.bin")[1], CONTENT)
        self.assertGreaterEqual(time.monotonic() - started, 0.3)
        self.srv.rule("path=/f.bin&piece=100000&pause=150")
        started = time.monotonic()
        self.assertEqual(self.srv.get("/f.bin")[1], CONTENT)
        self.assertGreaterEqual(time.monotonic() - started, 0.3)
        self.srv.ctl("reset")
        self.srv.rule("path=/f.bin&rate=1000000")
        started = time.monotonic()
        self.assertEqual(self.srv.get("/f.bin", headers={"Range": "bytes=0-199999"})[1], CONTENT[:200000])
        self.assertGreaterEqual(time.monotonic() - started, 0.15)

    def test_hostile_range_and_stall_rules_and_if_range(self):
        self.srv.rule("path=/f.bin&range_shift=16384&count=1")
        r, data = self.srv.get("/f.bin", headers={"Range": "bytes=0-99"})
        self.assertEqual((r.status, r.getheader("Content-Range")), (206, "bytes 16384-16483/300000"))
        self.assertEqual(data, CONTENT[16384:16484])
        self.srv.rule("path=/f.bin&stall_at=1000&stall=400")
        c = self.srv.conn()
        c.request("GET", "/f.bin")
        r = c.getresponse()
        started = time.monotonic()
        self.assertEqual(r.read(1000), CONTENT[:1000])
        self.assertEqual(r.read(), CONTENT[1000:])
        self.assertGreaterEqual(time.monotonic() - started, 0.35)
        self.srv.ctl("reset")
        same, other = "Wed, 21 Oct 2015 07:28:00 GMT", "Wed, 21 Oct 2015 07:28:01 GMT"
        r, data = self.srv.get("/f.bin", headers={"Range": "bytes=10-19", "If-Range": same})
        self.assertEqual((r.status, data), (206, CONTENT[10:20]))
        r, data = self.srv.get("/f.bin", headers={"Range": "bytes=10-19", "If-Range": other})
        self.assertEqual((r.status, data), (200, CONTENT))


class MakerHookTest(unittest.TestCase):
    def test_maker_answers_its_paths_and_passes_others_on(self):
        folder = tempfile.mkdtemp(prefix="refserver-maker.")
        try:
            shutil.copy(SERVER, folder)
            with open(os.path.join(folder, "maker.py"), "w") as f:
                f.write("def handle(handler, ctx):\n"
                        "    if handler.path.startswith('/doc'):\n"
                        "        ctx.record('maker ' + ctx.rule.get('ctype', '-'))\n"
                        "        ctx.send_body(b'<a/>' + ctx.read_body(), 'text/xml')\n"
                        "        return True\n"
                        "    if handler.path == '/boom':\n"
                        "        raise RuntimeError('boom')\n")
            srv = RunningServer(os.path.join(folder, "refserver.py"))
            srv.rule("path=/doc&ctype=x&count=1")
            r, data = srv.get("/doc", "POST", body=b"xy")
            self.assertEqual((r.status, data, r.getheader("Content-Type")), (200, b"<a/>xy", "text/xml"))
            self.assertEqual(srv.get("/missing")[0].status, 404)
            with self.assertRaises((http.client.HTTPException, OSError)):
                srv.get("/boom")
            self.assertEqual(srv.ctl("requests")[1], "POST /doc\nmaker x\nGET /missing\nGET /boom\n")
            self.assertEqual(srv.stop(), 0)
        finally:
            shutil.rmtree(folder)


class StopTest(unittest.TestCase):
    def test_sigterm_stops_the_server_during_a_long_delay(self):
        srv = RunningServer()
        srv.rule("path=*&delay=60000")
        s = socket.create_connection(("127.0.0.1", srv.port))
        s.sendall(b"GET /x HTTP/1.1\r\nHost: a\r\n\r\n")
        time.sleep(0.2)
        started = time.monotonic()
        self.assertEqual(srv.stop(), 0)
        self.assertLess(time.monotonic() - started, 3)
        s.close()


if __name__ == "__main__":
    unittest.main()
