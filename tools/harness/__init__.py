"""What the scripts that drive the program from outside share (the end-to-end tests, the demo,
the timing and download benchmarks, the kill test): Wine with the project's settings, a
virtual X display, the reference server with its maker scenarios, the program in a folder of
its own, its windows and controls by id, a user's clicks and keys, and the records every
party leaves. Standard library only; tools/ on sys.path, then "import harness".

Every wait has a deadline; a missed one raises TimeoutError naming what did not happen."""
from .base import SOURCE, read_text, wait_until  # noqa: F401
from .desktop import Desktop, ids, is_loading, is_message_box, on_finish_page, on_progress_page  # noqa: F401
from .display import Display  # noqa: F401
from .program import Program, standin_records  # noqa: F401
from .server import Server, free_port  # noqa: F401
from .session import Session  # noqa: F401
from .wine import APP_PATHS, UNINSTALL, Wine, wine_binary, wine_env  # noqa: F401
