#!/usr/bin/env python3
"""How long the program takes under Wine, measured on whole default installs (the maker
scenario "default": a small installer served from 127.0.0.1 that takes 2 s, two recommended
products), driven through the windows like the end-to-end tests, with no delay added:

  - start to progress page: from the program's first log line to the main dialog's first
    slide (logged as it begins the download, before it is first shown), and to the moment
    the window lister first sees the progress page;
  - start to finish page, and the whole install: from the process's start until it has
    ended after the finish page's start button (the recommended installs included).

Prints each run and the medians. Runs on demand; nothing asserts a figure.

    install_timing.py --build-dir BUILD [--runs 3] [--arch win64|win32]
"""
import argparse
import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from harness import Desktop, Display, Program, Server, Wine, ids, on_finish_page, on_progress_page  # noqa: E402


def one_run(build, arch, work):
    display = Display()
    wine = Wine(build, arch, "wineprefix-e2e", display=display.name)
    server = None
    try:
        wine.down()
        wine.up()
        wine.clean()
        bin_dir = os.path.join(build, "bin")
        server = Server(work, bin_dir)
        server.scenario("default")
        desktop = Desktop(wine, bin_dir, os.path.join(work, "shots"))
        program = Program(wine, os.path.join(bin_dir, "Orvane.exe"), os.path.join(work, "app"), server.base,
                          os.path.join(work, "standins.log")).start()
        desktop.wait_window("the progress page", on_progress_page, 60, program)
        seen = time.monotonic() - program.started
        main = desktop.wait_window("the finish page", on_finish_page, 90, program)
        finish = time.monotonic() - program.started
        desktop.click(main, ids.IDC_CONFIG_START, Desktop.page(main, ids.IDC_CONFIG_CLOSE))
        program.wait_exit(60)
        whole = time.monotonic() - program.started
        logged = program.log_time("^nCount=") - program.log_time("^下载器启动$")
        return logged, seen, finish, whole
    finally:
        if server:
            server.stop()
        wine.down()
        display.stop()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--arch", default="win64", choices=("win64", "win32"))
    args = parser.parse_args()
    build = os.path.abspath(args.build_dir)
    rows = []
    for i in range(args.runs):
        with tempfile.TemporaryDirectory() as work:
            rows.append(one_run(build, args.arch, work))
        print("run %d: start to progress page %.2f s (log), %.2f s (seen); finish page %.2f s; whole install %.2f s"
              % ((i + 1,) + rows[-1]), flush=True)
    medians = [statistics.median(column) for column in zip(*rows)]
    print("median: start to progress page %.2f s (log), %.2f s (seen); finish page %.2f s; whole install %.2f s"
          % tuple(medians))


if __name__ == "__main__":
    main()
