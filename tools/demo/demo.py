#!/usr/bin/env python3
"""The program's main job, shown: a whole install of the default maker scenario under Wine,
driven through its windows like a user, then one run whose download fails for the message box.

    python3 tools/demo/demo.py OUTDIR BUILD_DIR      (scripts/run-demo.sh runs it on an X display)

Leaves in OUTDIR the screenshots 1-loading.png, 2-progress.png, 3-finish.png, 4-message.png,
the reports the statistics server received (reports.txt), the program's log in UTF-8
(orvane.log), the stand-ins' record (standins.txt) and the figures (figures.txt).
"""
import os
import shutil
import sys
import time
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))
from orvane_e2e import (Desktop, Program, Server, Wine, is_loading, is_message_box, on_finish_page,  # noqa: E402
                        on_progress_page, read_text, wait_until)

FINISH_START = (300, 319)  # centre of the finish page's start button


def say(text):
    print(text, flush=True)


def rule(server, query):
    urllib.request.urlopen(server.base + "/_ctl/rule?" + query, timeout=10).read()


def install_run(out, work, wine, bin_dir, desktop):
    server = Server(os.path.join(work, "install"), bin_dir)
    try:
        server.scenario("default")
        # Slow enough to be seen: the loading dialog for 2.5 s, the download for several slides.
        rule(server, "path=/downcontainer/downLoad.do&delay=2500")
        for host in ("dl1", "dl2"):
            rule(server, "path=/%s/product/kavvik_setup.exe&method=GET&rate=25000" % host)
        record = os.path.join(out, "standins.raw")
        program = Program(wine, os.path.join(bin_dir, "Orvane.exe"), os.path.join(work, "install", "app"),
                          server.base, record).start()
        say("== the program starts; the configuration server answers after 2.5 s")
        loading = desktop.wait_window("the loading dialog", is_loading, 60, program)
        time.sleep(1)
        desktop.shot("1-loading", loading)
        main = desktop.wait_window("the main window", on_progress_page, 60)
        progress_shown = time.monotonic()
        say("== the main window downloads the installer (%s)" % main["text"])
        wait_until("the second slide", lambda: program.log().count("nCount=") >= 2, 30)
        time.sleep(0.5)
        desktop.shot("2-progress", main)
        main = desktop.wait_window("the finish page", on_finish_page, 120)
        finish_shown = time.monotonic()
        say("== the installer ran; the finish page shows; pressing its start button")
        time.sleep(0.5)
        desktop.shot("3-finish", main)
        desktop.click(Desktop.page(main, 1058), *FINISH_START)
        program.wait_exit(120)
        ended = time.monotonic()
        with open(os.path.join(out, "orvane.log"), "w", encoding="utf-8") as f:
            f.write(program.log())
        with open(os.path.join(out, "reports.txt"), "w", encoding="utf-8") as f:
            f.write(read_text(os.path.join(server.state, "maker-stats.log"), "gbk"))
        with open(os.path.join(out, "standins.txt"), "w", encoding="utf-8") as f:
            f.write(read_text(record, "gbk"))
        os.remove(record)
        started = program.log_time("^下载器启动$")
        return ("start to progress page (log): %.2f s\nstart to progress page (window seen): %.2f s\n"
                "start to finish page: %.2f s\nwhole install, start to the process's end: %.2f s\n"
                "(the demo slows the catalogue by 2.5 s and the download to 25 kB/s per connection)\n"
                % (program.log_time("^nCount=") - started, progress_shown - program.started,
                   finish_shown - program.started, ended - program.started))
    finally:
        server.stop()


def message_run(out, work, wine, bin_dir, desktop):
    server = Server(os.path.join(work, "message"), bin_dir)
    try:
        server.scenario("no-download")
        program = Program(wine, os.path.join(bin_dir, "Orvane.exe"), os.path.join(work, "message", "app"),
                          server.base, os.path.join(work, "standins-message.log")).start()
        say("== a second run whose installer is on neither address: the message box")
        box = desktop.wait_window("the message box", is_message_box, 60, program)
        time.sleep(0.5)
        desktop.shot("4-message", box)
        desktop.key(box, "Return")
        program.wait_exit(30)
        with open(os.path.join(out, "orvane-message.log"), "w", encoding="utf-8") as f:
            f.write(program.log())
        with open(os.path.join(out, "reports-message.txt"), "w", encoding="utf-8") as f:
            f.write(read_text(os.path.join(server.state, "maker-stats.log"), "gbk"))
    finally:
        server.stop()


def main():
    out, build = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    bin_dir = os.path.join(build, "bin")
    shutil.rmtree(out, ignore_errors=True)
    work = os.path.join(out, "run")
    os.makedirs(work)
    # A prefix of its own: the demo empties the products' registry entries and folders, which
    # the test programs in the tests' prefix may be using.
    wine = Wine(build, name="wineprefix-demo")
    wine.up(window_manager=os.environ.get("ORVANE_DEMO_XVFB") != "1")
    wine.clean()
    desktop = Desktop(wine, bin_dir, out)
    figures = install_run(out, work, wine, bin_dir, desktop)
    message_run(out, work, wine, bin_dir, desktop)
    with open(os.path.join(out, "figures.txt"), "w") as f:
        f.write(figures)
    say("== reports the statistics server received\n" + read_text(os.path.join(out, "reports.txt")))
    say("== the stand-ins' record (installer, client, service program and library, recommended products)\n" +
        read_text(os.path.join(out, "standins.txt")))
    say("== figures\n" + figures)
    say("== left in %s:" % out)
    for name in sorted(os.listdir(out)):
        if name != "run":
            say("   " + name)


if __name__ == "__main__":
    main()
