# bench.py's names, from the harness, until it imports the harness itself.
from harness import free_port, wine_binary, wine_env  # noqa: F401
