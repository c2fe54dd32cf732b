"""One sitting at the program, as the end-to-end tests, the demo and the timing runs need it:
a Wine prefix of its own cleared of what earlier runs left (so the single-instance lock and
the uninstall entries of the test programs that run beside it never meet its own), an X
display of its own unless told to use the caller's, a reference server, the stand-ins'
record, and the programs it started; close() ends them all. Screenshots go to shots, by
default WORK/shots."""
import os
import shutil

from .base import read_text
from .desktop import Desktop
from .display import Display
from .program import Program, standin_records
from .server import Server
from .wine import Wine


class Session:
    def __init__(self, build, work, arch=None, prefix="wineprefix-e2e", own_display=True, window_manager=False,
                 shots=None):
        self.work, self.bin = work, os.path.join(build, "bin")
        self.exe = os.path.join(self.bin, "Orvane.exe")
        self.display = Display() if own_display else None
        self.server = None
        self.programs = []
        try:
            self.wine = Wine(build, arch, prefix, display=self.display.name if self.display else None)
            # The desktop's shell starts the client in its own environment, which it takes
            # from the prefix's first programs.
            self.wine.env["ORVANE_STANDIN_RECORD"] = Wine.windows_path(os.path.join(work, "standins.log"))
            self.wine.down()
            self.wine.up(window_manager)
            self.wine.clean()
            self.server = Server(work, self.bin)
        except BaseException:
            self.close()
            raise
        self.record = os.path.join(work, "standins.log")
        self.desktop = Desktop(self.wine, self.bin, shots or os.path.join(work, "shots"))

    def program(self, name="Orvane.exe", folder="app"):
        """A fresh copy of the program in WORK/folder, not started yet."""
        p = Program(self.wine, self.exe, os.path.join(self.work, folder), self.server.base, self.record, name)
        self.programs.append(p)
        return p

    def records(self):
        return standin_records(self.record)

    def diagnose(self):
        """What a failure report needs, printed; the screenshot is taken first."""
        shot = self.desktop.shot("failure")
        for p in self.programs:
            print("---- log of %s (GBK) ----\n%s" % (p.folder, p.log()))
        print("---- statistics record ----\n%s" % read_text(os.path.join(self.server.state, "maker-stats.log"), "gbk"))
        print("---- stand-ins' record ----\n%s" % read_text(self.record, "gbk"))
        print("---- windows ----\n%s" % self.desktop.windows())
        print("screenshot: %s\nrun folder kept: %s" % (shot, self.work))

    def close(self, remove=False):
        """Ends the programs, the server, the prefix's processes and the display; remove: the
        work folder with them."""
        for p in self.programs:
            p.kill()
        if self.server:
            self.server.stop()
        if getattr(self, "wine", None):
            self.wine.down()
        if self.display:
            self.display.stop()
        if remove:
            shutil.rmtree(self.work, ignore_errors=True)
