"""The program's windows as the window lister (tools/testbins/OrvWindows.cpp) sees them, found
by the control ids of app/res/resource.h, and a user's mouse and keys through xdotool."""
import os
import re
import subprocess
import time
import types

from .base import SOURCE, read_text, wait_until

RESOURCE_H = os.path.join(SOURCE, "app", "res", "resource.h")


def _control_ids():
    found = {m.group(1): int(m.group(2))
             for m in re.finditer(r"^#define\s+(ID\w+)\s+(\d+)\b", read_text(RESOURCE_H), re.M)}
    if not found:
        raise RuntimeError("no control ids in %s" % RESOURCE_H)
    return types.SimpleNamespace(IDOK=1, IDCANCEL=2, **found)


# The ids by their names in resource.h: ids.IDC_CONFIG_START.
ids = _control_ids()


def is_loading(w):
    return Desktop.control(w, ids.IDC_LOADING_TEXT) is not None


def is_message_box(w):
    return all(Desktop.control(w, i) is not None
               for i in (ids.IDC_MSGBOX_LINE1, ids.IDC_MSGBOX_LINE2, ids.IDC_MSGBOX_CLOSE))


def on_progress_page(w):
    return Desktop.page(w, ids.IDC_PROGRESS_BAR) is not None


def on_finish_page(w):
    return Desktop.page(w, ids.IDC_CONFIG_CLOSE) is not None


class Desktop:
    """shots: the folder screenshots go to."""

    def __init__(self, wine, bin_dir, shots):
        self.wine, self.lister, self.shots = wine, os.path.join(bin_dir, "OrvWindows.exe"), shots
        os.makedirs(shots, exist_ok=True)

    def windows(self, exe="Orvane.exe"):
        """[{hwnd, rect, visible, text, children: [{hwnd, parent, id, cls, rect, visible, check, text}]}]"""
        out = self.wine.run(self.lister, exe, check=False, timeout=30).decode("gbk", "replace")
        tops = []
        for line in out.splitlines():
            f = line.split("\t")
            if f[0] == "top" and len(f) >= 6:
                tops.append(dict(hwnd=f[1], rect=tuple(int(v) for v in f[3].split(",")), visible=f[4] == "1",
                                 text=f[5], children=[]))
            elif f[0] == "child" and len(f) >= 9 and tops:
                tops[-1]["children"].append(dict(hwnd=f[1], parent=f[2], id=int(f[3]), cls=f[4],
                                                 rect=tuple(int(v) for v in f[5].split(",")), visible=f[6] == "1",
                                                 check=int(f[7]), text=f[8]))
        return tops

    def find(self, pred, exe="Orvane.exe"):
        """The first visible top-level window that pred accepts, or None."""
        return next((w for w in self.windows(exe) if w["visible"] and pred(w)), None)

    def wait_window(self, what, pred, timeout, program=None):
        """Waits for the window; fails at once when program (if given) has ended meanwhile."""
        def seen():
            window = self.find(pred)
            if not window and program is not None and not program.running():
                raise AssertionError("%s ended (exit code %s) before showing %s" % (program.name,
                                                                                    program.proc.poll(), what))
            return window
        return wait_until(what, seen, timeout, 0.3)

    @staticmethod
    def control(window, control_id, parent=None):
        """The visible control with that id (inside the page parent when given), or None."""
        for c in window["children"]:
            if c["id"] == control_id and c["visible"] and (parent is None or c["parent"] == parent["hwnd"]):
                return c
        return None

    @staticmethod
    def page(window, marker_id):
        """The visible child dialog (page) holding the visible control marker_id, or None."""
        marker = Desktop.control(window, marker_id)
        if marker is None:
            return None
        return next((c for c in window["children"] if c["hwnd"] == marker["parent"]), None)

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + [str(a) for a in args], stdout=subprocess.PIPE, env=self.wine.env,
                              stderr=subprocess.DEVNULL, timeout=30).stdout.decode()

    def x_window(self, name):
        """The X window the program's top-level window lives in, found by its title."""
        ids_found = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % re.escape(name)).split()
        return ids_found[0] if ids_found else None

    def click(self, window, control_id, parent=None):
        """A left click on the centre of the visible control with that id, as a user aims."""
        control = self.control(window, control_id, parent)
        if control is None:
            raise AssertionError("no visible control %d in the window %r" % (control_id, window["text"]))
        left, top, right, bottom = control["rect"]
        self.xdotool("mousemove", (left + right) // 2, (top + bottom) // 2, "sleep", 0.1, "click", 1)
        time.sleep(0.3)

    def key(self, window, name):
        """A key press into the window: focus it first, as a user's click would."""
        x_id = self.x_window(window["text"]) if window["text"] else None
        if x_id:
            self.xdotool("windowfocus", "--sync", x_id)
        self.xdotool("key", name)
        time.sleep(0.3)

    def shot(self, name, window=None):
        """A screenshot of the window (or the whole screen) in the shots folder; its path."""
        path = os.path.join(self.shots, name + ".png")
        args = ["import", "-window", "root"]
        if window:
            left, top, right, bottom = window["rect"]
            args += ["-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage"]
        subprocess.run(args + [path], env=self.wine.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30)
        return path
