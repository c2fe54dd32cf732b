"""How the tools' Python scripts run Windows programs: the same Wine settings as
scripts/wine-env.sh (code page 936, quiet, the prefix inside the build folder)."""
import os
import shutil
import socket


def is_i686(build):
    """True when the build folder holds the i686 build (its CMake cache says so)."""
    try:
        with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8", errors="replace") as f:
            return any(line.startswith("CMAKE_TOOLCHAIN_FILE:") and line.strip().endswith("toolchain-i686.cmake")
                       for line in f)
    except OSError:
        return False


def wine_env(build):
    env = dict(os.environ)
    env.update(WINEPREFIX=os.path.join(build, "wineprefix"), WINEARCH="win32" if is_i686(build) else "win64",
               LC_ALL="zh_CN.UTF-8", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env["WINELOADER"] = wine_binary(build)
    return env


def wine_binary(build=None):
    # The i686 programs run under the 32-bit loader in a 32-bit prefix of their own.
    if build is not None and is_i686(build):
        return "/usr/lib/wine/wine"
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
