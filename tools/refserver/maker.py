"""The maker's servers inside the reference server: configuration documents and statistics.

refserver.py calls handle(handler, ctx) for every request before its own handling; True
means the request has been answered here. Everything is steered by files that tests place in
the state folder (or the served root); see README-maker.md.
"""
import os
import sys
import threading
from urllib.parse import parse_qs, urlsplit

CATALOGUE_PATH = "/downcontainer/downLoad.do"
SETUP_PATH = "/downcontainer/downLoadInfo.do"
EVENTS = {"start", "startdown", "downloadcomplete", "downloadfailed", "installcomplete",
          "installcompletefail", "clientstart", "clientstartfail"}

_lock = threading.Lock()


def _ctx_value(ctx, name):
    if isinstance(ctx, dict):
        return ctx.get(name)
    return getattr(ctx, name, None)


def _folders(ctx):
    return [f for f in (_ctx_value(ctx, "state"), _ctx_value(ctx, "root")) if f]


def _find(ctx, name):
    for folder in _folders(ctx):
        path = os.path.join(folder, name)
        if os.path.isfile(path):
            return path
    return None


def _read(path):
    with open(path, "rb") as f:
        return f.read()


def _append_line(ctx, name, raw_target):
    state = _ctx_value(ctx, "state") or _ctx_value(ctx, "root")
    os.makedirs(state, exist_ok=True)
    # The request line arrives decoded as ISO-8859-1, so this gives back its exact bytes.
    with open(os.path.join(state, name), "ab") as f:
        f.write(raw_target.encode("latin-1", "replace") + b"\n")


def _answer(handler, status, body=b"", ctx=None):
    # A rule of the reference server on this path (delay, cut, status...) shapes the answer.
    send_body = _ctx_value(ctx, "send_body") if ctx is not None else None
    if status == 200 and _ctx_value(ctx, "rule") and callable(send_body):
        send_body(body, "text/xml")
        return
    handler.send_response(status)
    handler.send_header("Content-Type", "text/xml" if status == 200 else "text/plain")
    handler.send_header("Content-Length", str(len(body)))
    handler.end_headers()
    if handler.command != "HEAD":
        handler.wfile.write(body)


def _document_answer(ctx, stem):
    """(status, body) for a configuration document."""
    status_file = _find(ctx, "maker-%s.status" % stem)
    if status_file:
        text = _read(status_file).decode("ascii", "replace").strip()
        status = int(text) if text.isdigit() else 500
        if status != 200:
            return status, b""
    body_file = _find(ctx, "maker-%s.xml" % stem)
    if body_file is None:
        return 404, b""
    return 200, _read(body_file)


def _stats_status(ctx):
    """The status for the next statistics request; counts down maker-stats.fail."""
    path = _find(ctx, "maker-stats.fail")
    if path is None:
        return 200
    words = _read(path).decode("ascii", "replace").split()
    if not words or not words[0].isdigit():
        return 200
    status = int(words[0])
    if len(words) < 2:
        return status
    left = int(words[1]) if words[1].isdigit() else 0
    if left <= 0:
        return 200
    with open(path, "w") as f:
        f.write("%d %d\n" % (status, left - 1))
    return status


def _is_stats(path):
    last = path.rstrip("/").rsplit("/", 1)[-1]
    return path.startswith("/stat/") or last in EVENTS


def _scenarios():
    here = os.path.dirname(os.path.abspath(__file__))
    if here not in sys.path:
        sys.path.insert(0, here)
    import scenarios
    return scenarios


def _bin_folder(query):
    given = query.get("bin", [""])[0]
    return given or os.path.join(os.environ.get("ORVANE_BUILD_DIR", ""), "bin")


def _put_scenario(handler, ctx, query):
    """GET /_maker/scenario?name=NAME[&bin=FOLDER]: puts a scenario in place (scenarios.py)."""
    name = query.get("name", [""])[0]
    base = "http://" + handler.headers.get("Host", "127.0.0.1")
    try:
        written = _scenarios().install(name, _ctx_value(ctx, "root"), _ctx_value(ctx, "state"), base,
                                       _bin_folder(query))
        status, body = 200, ("ok\n" + "".join(p + "\n" for p in written)).encode()
    except KeyError:
        status, body = 404, b"unknown scenario\n"
    except OSError as error:
        status, body = 500, ("%s\n" % error).encode()
    handler.send_response(status)
    handler.send_header("Content-Type", "text/plain")
    handler.send_header("Content-Length", str(len(body)))
    handler.end_headers()
    handler.wfile.write(body)
    return True


def handle(handler, ctx):
    target = handler.path
    path = urlsplit(target).path
    if path == "/_maker/scenario":
        return _put_scenario(handler, ctx, parse_qs(urlsplit(target).query))
    # Records and counters change under the lock; answers go out after it, so a slow answer
    # (a rule's delay) does not hold back other requests.
    with _lock:
        if path in (CATALOGUE_PATH, SETUP_PATH):
            _append_line(ctx, "maker-config.log", target)
            status, body = _document_answer(ctx, "catalogue" if path == CATALOGUE_PATH else "setup")
        elif _is_stats(path):
            _append_line(ctx, "maker-stats.log", target)
            status = _stats_status(ctx)
            body = b"ok" if status == 200 else b""
        else:
            return False
    _answer(handler, status, body, ctx)
    record = _ctx_value(ctx, "record")
    if callable(record):
        record("maker %s %s %d" % (handler.command, target, status))
    return True


def main(argv):
    """maker.py scenario NAME --root DIR --state DIR --base URL [--bin DIR]; maker.py list"""
    import argparse
    parser = argparse.ArgumentParser(description="Puts a maker scenario in place for the reference server.")
    parser.add_argument("command", choices=["scenario", "list"])
    parser.add_argument("name", nargs="?")
    parser.add_argument("--root")
    parser.add_argument("--state")
    parser.add_argument("--base")
    parser.add_argument("--bin", default=_bin_folder({}))
    args = parser.parse_args(argv)
    if args.command == "list":
        for name in _scenarios().names():
            print("%-14s %s" % (name, _scenarios().load(name).get("about", "")))
        return 0
    if not (args.name and args.root and args.state and args.base):
        parser.error("scenario needs NAME, --root, --state and --base")
    for served in _scenarios().install(args.name, args.root, args.state, args.base, args.bin):
        print(served)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
