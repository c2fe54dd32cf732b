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

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from harness import (Desktop, Session, ids, is_loading, is_message_box, on_finish_page,  # noqa: E402
                     on_progress_page, read_text, wait_until)


def say(text):
    print(text, flush=True)


def write_utf8(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def session(out, build, name):
    # A prefix of its own: the demo empties the products' registry entries and folders, which
    # the test programs in the tests' prefix may be using. The display is the caller's.
    return Session(build, os.path.join(out, "run", name), prefix="wineprefix-demo", own_display=False,
                   window_manager=os.environ.get("ORVANE_DEMO_XVFB") != "1", shots=out)


def install_run(out, build):
    run = session(out, build, "install")
    try:
        run.server.scenario("default")
        # Slow enough to be seen: the loading dialog for 2.5 s, the download for several slides.
        run.server.rule("path=/downcontainer/downLoad.do&delay=2500")
        for host in ("dl1", "dl2"):
            run.server.rule("path=/%s/product/kavvik_setup.exe&method=GET&rate=25000" % host)
        program = run.program().start()
        say("== the program starts; the configuration server answers after 2.5 s")
        loading = run.desktop.wait_window("the loading dialog", is_loading, 60, program)
        time.sleep(1)
        run.desktop.shot("1-loading", loading)
        main = run.desktop.wait_window("the main window", on_progress_page, 60, program)
        progress_shown = time.monotonic()
        say("== the main window downloads the installer (%s)" % main["text"])
        wait_until("the second slide", lambda: program.log().count("nCount=") >= 2, 30)
        time.sleep(0.5)
        run.desktop.shot("2-progress", main)
        main = run.desktop.wait_window("the finish page", on_finish_page, 120, program)
        finish_shown = time.monotonic()
        say("== the installer ran; the finish page shows; pressing its start button")
        time.sleep(0.5)
        run.desktop.shot("3-finish", main)
        run.desktop.click(main, ids.IDC_CONFIG_START, Desktop.page(main, ids.IDC_CONFIG_CLOSE))
        program.wait_exit(120)
        ended = time.monotonic()
        # The recommended installers write their records on their own, shortly after.
        try:
            wait_until("both recommended installers' records",
                       lambda: [k for k, _ in run.records()].count("recommend") >= 2, 15)
        except TimeoutError as e:
            say("== %s" % e)
        write_utf8(os.path.join(out, "orvane.log"), program.log())
        write_utf8(os.path.join(out, "reports.txt"),
                   read_text(os.path.join(run.server.state, "maker-stats.log"), "gbk"))
        write_utf8(os.path.join(out, "standins.txt"), read_text(run.record, "gbk"))
        started = program.log_time("^下载器启动$")
        return ("start to progress page (log): %.2f s\nstart to progress page (window seen): %.2f s\n"
                "start to finish page: %.2f s\nwhole install, start to the process's end: %.2f s\n"
                "(the demo slows the catalogue by 2.5 s and the download to 25 kB/s per connection)\n"
                % (program.log_time("^nCount=") - started, progress_shown - program.started,
                   finish_shown - program.started, ended - program.started))
    finally:
        run.close()


def message_run(out, build):
    run = session(out, build, "message")
    try:
        run.server.scenario("no-download")
        program = run.program().start()
        say("== a second run whose installer is on neither address: the message box")
        box = run.desktop.wait_window("the message box", is_message_box, 60, program)
        time.sleep(0.5)
        run.desktop.shot("4-message", box)
        run.desktop.key(box, "Return")
        program.wait_exit(30)
        write_utf8(os.path.join(out, "orvane-message.log"), program.log())
        write_utf8(os.path.join(out, "reports-message.txt"),
                   read_text(os.path.join(run.server.state, "maker-stats.log"), "gbk"))
    finally:
        run.close()


def main():
    out, build = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    figures = install_run(out, build)
    message_run(out, build)
    write_utf8(os.path.join(out, "figures.txt"), figures)
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
