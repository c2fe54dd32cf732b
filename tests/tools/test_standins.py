#!/usr/bin/env python3
"""Checks of the stand-ins' builds and of the maker scenarios that serve them."""

import os
import struct
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.normpath(os.path.join(HERE, "..", ".."))
BUILD = os.environ.get("ORVANE_BUILD_DIR") or os.path.join(SOURCE, "build-x86_64")
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(SOURCE, "tools", "refserver"))
from test_refserver import RunningServer  # noqa: E402
import scenarios  # noqa: E402


def pe_exports(path):
    """(machine, exported names) read from a PE file's export directory."""
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", path
    machine, count = struct.unpack_from("<HH", data, pe + 4)
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    directories = optional + (96 if struct.unpack_from("<H", data, optional)[0] == 0x10B else 112)
    export_rva = struct.unpack_from("<I", data, directories)[0]
    sections = [struct.unpack_from("<IIII", data, optional + optional_size + 40 * i + 8) for i in range(count)]

    def offset(rva):
        for size, address, raw_size, raw in sections:
            if address <= rva < address + max(size, raw_size):
                return rva - address + raw
        raise ValueError("rva %x outside the sections" % rva)

    directory = offset(export_rva)
    name_count, _, name_table = struct.unpack_from("<III", data, directory + 24)
    names = []
    for i in range(name_count):
        start = offset(struct.unpack_from("<I", data, offset(name_table) + 4 * i)[0])
        names.append(data[start:data.index(b"\0", start)].decode("ascii"))
    return machine, names


def build_machine(build):
    """The PE machine a build folder's toolchain makes: i386 for i686, else AMD64."""
    try:
        with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8", errors="replace") as f:
            return 0x14C if "toolchain-i686.cmake" in f.read() else 0x8664
    except OSError:
        return 0x8664


def overlay(data):
    """Settings and file names appended to the product installer stand-in (before its signature)."""
    data = scenarios.unsigned_image(data)
    assert data[:2] == b"MZ" and data[-16:-8] == b"ORVSTAND"
    pos, end = struct.unpack("<Q", data[-8:])[0], len(data) - 16
    settings, files = {}, {}
    while pos < end:
        line_end = data.index(b"\n", pos)
        words = data[pos:line_end].decode("gbk")
        pos = line_end + 1
        if not words:
            continue
        if words.startswith("set "):
            key, _, value = words[4:].partition("=")
            settings[key] = value
        else:
            name, size = words[5:].rsplit(" ", 1)
            files[name] = data[pos:pos + int(size)]
            pos += int(size)
    return settings, files


class ServiceLibraryTest(unittest.TestCase):
    def test_the_entry_is_exported_undecorated_in_both_builds(self):
        builds = {os.path.join(SOURCE, "build-x86_64"): 0x8664, os.path.join(SOURCE, "build-i686"): 0x14C}
        builds[BUILD] = build_machine(BUILD)
        for build, machine in builds.items():
            path = os.path.join(build, "bin", "Corvendil.dll")
            if not os.path.isfile(path):
                print("no %s: not built here, not checked" % path)
                continue
            self.assertEqual(pe_exports(path), (machine, ["ReptQuasolSubscibe"]), path)


class ScenarioTest(unittest.TestCase):
    def setUp(self):
        self.srv = RunningServer()
        self.base = "http://127.0.0.1:%d" % self.srv.port

    def tearDown(self):
        self.srv.stop()

    def put(self, name):
        r, data = self.srv.get("/_maker/scenario?name=%s&bin=%s" % (name, os.path.join(BUILD, "bin")))
        self.assertEqual(r.status, 200, data)
        return data.decode().split()

    def answer(self, path):
        r, data = self.srv.get(path)
        return r.status, data

    def test_each_scenario_serves_its_documents_and_installers(self):
        self.put("default")
        status, setup = self.answer("/downcontainer/downLoadInfo.do?oemID=0&recid=0")
        self.assertEqual(status, 200)
        self.assertIn(('installUrl="%s/dl1/product/kavvik_setup.exe"' % self.base).encode(), setup)
        self.assertEqual(self.answer("/downcontainer/downLoad.do")[0], 200)
        settings, files = overlay(self.answer("/dl1/product/kavvik_setup.exe")[1])
        self.assertEqual((settings["name"], settings["version"], settings["icon"]), ("Kavvik", "3.2.1", "product.ico"))
        self.assertEqual(sorted(files), ["Corvendil.dll", "Corvendil.exe", "Kavvik.exe", "product.ico"])
        self.assertNotIn("fail", settings)
        self.assertEqual(self.answer("/dl1/business/brelo.exe")[0], 200)

        self.put("retry")
        self.assertEqual([self.answer("/dl%d/product/kavvik_setup.exe" % i)[0] for i in (1, 2)], [404, 200])
        self.put("no-download")
        self.assertEqual([self.answer("/dl%d/product/kavvik_setup.exe" % i)[0] for i in (1, 2)], [404, 404])
        self.put("unregistered")
        self.assertEqual(overlay(self.answer("/dl2/product/kavvik_setup.exe")[1])[0]["fail"], "1")
        self.put("not-a-program")
        status, library = self.answer("/dl1/product/kavvik_setup.exe")
        pe = struct.unpack_from("<I", library, 0x3C)[0]
        self.assertEqual((status, struct.unpack_from("<H", library, pe + 22)[0] & 0x2000), (200, 0x2000))
        self.put("nothing")
        self.assertEqual(self.answer("/downcontainer/downLoadInfo.do"), (200, b"no result"))
        self.put("recommend")
        setup = self.answer("/downcontainer/downLoadInfo.do")[1]
        self.assertEqual(setup.count(b"<recommendsetup "), 4)
        self.assertIn(b'url="%s/web/home/" status="1"' % self.base.encode(), setup)
        self.put("config-fails")
        self.assertEqual([self.answer(p)[0] for p in ("/downcontainer/downLoad.do", "/downcontainer/downLoadInfo.do")],
                         [500, 500])
        settings, _ = overlay(self.answer("/dl1/business/jupra.exe")[1])
        self.assertEqual((settings["name"], settings["version"]), ("Jupra视频社区", ""))
        self.assertEqual(self.srv.get("/_maker/scenario?name=nonesuch")[0].status, 404)

    def test_pictures_are_served_when_they_exist(self):
        with tempfile.TemporaryDirectory() as pictures:
            for name in ("first.png", "slide2.png"):
                with open(os.path.join(pictures, name), "wb") as f:
                    f.write(b"\x89PNG " + name.encode())
            written = scenarios.install("default", self.srv.root, self.srv.state, self.base,
                                        os.path.join(BUILD, "bin"), pictures)
        self.assertIn("img/first.png", written)
        self.assertNotIn("img/slide1.png", written)
        self.assertEqual(self.answer("/img/slide2.png"), (200, b"\x89PNG slide2.png"))
        self.assertEqual(self.answer("/img/slide3.png")[0], 404)


if __name__ == "__main__":
    unittest.main()
