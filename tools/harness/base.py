"""Waiting with a deadline and reading the records the parties leave."""
import os
import time

SOURCE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


def wait_until(what, condition, timeout, step=0.2):
    """Calls condition until it answers something true, which is returned; TimeoutError
    naming what did not happen once timeout seconds have passed."""
    deadline = time.monotonic() + timeout
    while True:
        answer = condition()
        if answer:
            return answer
        if time.monotonic() > deadline:
            raise TimeoutError("waited %.0f s for %s" % (timeout, what))
        time.sleep(step)


def read_text(path, encoding="utf-8"):
    """The file's text, "" while it does not exist."""
    try:
        with open(path, "rb") as f:
            return f.read().decode(encoding, "replace")
    except FileNotFoundError:
        return ""
