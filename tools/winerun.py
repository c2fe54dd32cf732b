"""How the tools' Python scripts run Windows programs: the same Wine settings as
scripts/wine-env.sh (code page 936, quiet, the prefix inside the build folder)."""
import os
import shutil
import socket


def wine_env(build):
    env = dict(os.environ)
    env.update(WINEPREFIX=os.path.join(build, "wineprefix"), WINEARCH="win64", LC_ALL="zh_CN.UTF-8",
               WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def wine_binary():
    # The 64-bit loader by name: with wine32 installed, plain "wine" is the 32-bit loader.
    if os.access("/usr/lib/wine/wine64", os.X_OK):
        return "/usr/lib/wine/wine64"
    for name in ("wine64", "wine"):
        path = shutil.which(name)
        if path:
            return path
    return "/usr/lib/wine/wine64"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]
