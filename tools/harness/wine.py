"""Wine as every script here runs Windows programs, with the settings of scripts/wine-env.sh:
code page 936, quiet, no Mono or Gecko, a prefix inside the build folder, the 64-bit loader
for the x86_64 build and the 32-bit one, in a 32-bit prefix, for the i686 build."""
import os
import re
import shutil
import subprocess
import tempfile

from .base import SOURCE, read_text

UNINSTALL = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall"
APP_PATHS = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths"
# The products the program looks for in the uninstall entries ("<name>-..."), and the folders
# that the stand-in installers and the tests fill.
PRODUCT_NAMES = ["Kavvik"] + ["%s视频社区" % n for n in ("Brelo", "Dunsa", "Nalvo", "Fimra", "Gorlu", "Hesko", "Jupra")]
PRODUCT_FOLDERS = ["Kavvik", "Brelo", "Dunsa", "Fimra", "Gorlu", "Hesko", "Jupra", "Earlier Kavvik"]

QUIET = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def is_i686(build):
    """True when the build folder holds the i686 build (its CMake cache says so)."""
    try:
        with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8", errors="replace") as f:
            return any(line.startswith("CMAKE_TOOLCHAIN_FILE:") and line.strip().endswith("toolchain-i686.cmake")
                       for line in f)
    except OSError:
        return False


def loader(arch):
    if arch == "win32":
        return "/usr/lib/wine/wine"
    # The 64-bit loader by name: with wine32 installed, plain "wine" is the 32-bit loader.
    if os.access("/usr/lib/wine/wine64", os.X_OK):
        return "/usr/lib/wine/wine64"
    return shutil.which("wine64") or shutil.which("wine") or "/usr/lib/wine/wine64"


class Wine:
    """One prefix, BUILD/wineprefix unless named; arch "win64" or "win32", by default the one
    the build needs."""

    def __init__(self, build, arch=None, name="wineprefix", display=None):
        self.build = build
        self.arch = arch or ("win32" if is_i686(build) else "win64")
        self.prefix = os.path.join(build, name)
        self.loader = loader(self.arch)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH=self.arch, LC_ALL="zh_CN.UTF-8",
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", WINELOADER=self.loader)
        self.env.pop("ORVANE_SERVER_BASE", None)
        if display:
            self.env["DISPLAY"] = display

    def command(self, *args):
        return [self.loader] + [str(a) for a in args]

    def run(self, *args, timeout=60, check=True, **kw):
        """Runs a Windows program to its end; its standard output."""
        r = subprocess.run(self.command(*args), env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, timeout=timeout, **kw)
        if check and r.returncode != 0:
            raise RuntimeError("wine %s answered %d" % (" ".join(map(str, args)), r.returncode))
        return r.stdout

    def create(self):
        """Creates the prefix on first use."""
        if not os.path.isfile(os.path.join(self.prefix, "system.reg")):
            os.makedirs(self.prefix, exist_ok=True)
            subprocess.run(self.command("wineboot", "-i"), env=self.env, timeout=300, **QUIET)
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=120, **QUIET)

    def keep_server(self):
        """A persistent wineserver: each program then starts in well under a second."""
        subprocess.run(["wineserver", "-p"], env=self.env, timeout=60, **QUIET)

    def up(self, window_manager=False):
        """The prefix (created on first use, with the font replacements of
        scripts/wine-fonts.sh) and its server, detached from our pipes. window_manager:
        whether the display has one (Xvfb has none)."""
        self.create()
        # Wine's Z: is the host's root, on the same disk as C:, so the free space of the two
        # differs by chance and the program would as often propose to install on Z:, outside
        # the prefix. Typed as a network drive it is no candidate; its files stay reachable.
        # The server reads the drive types as it starts.
        if not re.search(r'^"z:"="network"', read_text(os.path.join(self.prefix, "system.reg")), re.M):
            self.import_reg(["[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]", '"z:"="network"'])
            self.down()
        subprocess.run(self.command("wineboot"), env=self.env, timeout=120, **QUIET)
        subprocess.run(["bash", os.path.join(SOURCE, "scripts", "wine-fonts.sh")],
                       env=dict(self.env, WINE=self.loader), timeout=120, check=True)
        # Without a window manager Wine would wait 2 s for one to withdraw each hidden
        # top-level window (the loading dialog, for one), which no user would see.
        self.import_reg(["[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]",
                         '"Managed"="%s"' % ("Y" if window_manager else "N")])

    def down(self):
        """Ends every process of the prefix and its server, so the next run starts its desktop
        on its own display."""
        for args in (["-k"], ["-w"]):
            subprocess.run(["wineserver"] + args, env=self.env, timeout=60, **QUIET)

    def unix_path(self, windows_path):
        drive, rest = windows_path[0].lower(), windows_path[2:].replace("\\", "/")
        base = "/" if drive == "z" else os.path.join(self.prefix, "drive_c")
        return os.path.normpath(base + "/" + rest.lstrip("/"))

    @staticmethod
    def windows_path(unix_path):
        return "Z:" + os.path.abspath(unix_path).replace("/", "\\")

    def import_reg(self, lines):
        """Applies registry lines ("[-KEY]" deletes a key) in one regedit run."""
        fd, path = tempfile.mkstemp(suffix=".reg")
        with os.fdopen(fd, "wb") as f:
            f.write("\r\n".join(["Windows Registry Editor Version 5.00", ""] + lines + [""]).encode("utf-16"))
        try:
            self.run("regedit", "/S", self.windows_path(path))
        finally:
            os.remove(path)

    def export_reg(self, key):
        """The values under KEY and its subkeys: {subkey path: {name: value}}."""
        fd, path = tempfile.mkstemp(suffix=".reg")
        os.close(fd)
        try:
            self.run("regedit", "/E", self.windows_path(path), key, check=False)
            text = read_text(path, "utf-16")
        finally:
            os.remove(path)
        keys, current = {}, None
        for line in text.splitlines():
            m = re.match(r"^\[(.*)\]$", line)
            if m:
                current = keys.setdefault(m.group(1), {})
            m = re.match(r'^"(.*)"="(.*)"$', line)
            if m and current is not None:
                current[m.group(1)] = m.group(2).replace("\\\\", "\\").replace('\\"', '"')
        return keys

    @staticmethod
    def uninstall_entry(entry, folder, quoted=True):
        """The registry lines of a product's uninstall entry, as its installer writes them for
        an install in folder (a Windows path)."""
        escaped = folder.replace("\\", "\\\\")
        uninstall = ('\\"%s\\\\uninst.exe\\"' if quoted else "%s\\\\uninst.exe") % escaped
        return ["[%s\\%s]" % (UNINSTALL, entry), '"UninstallString"="%s"' % uninstall,
                '"DisplayIcon"="%s\\\\product.ico"' % escaped]

    def clean(self):
        """The state no earlier run may leave: the products' uninstall entries and App Paths
        entry, their install folders, and the browser's start page."""
        under = UNINSTALL.lower() + "\\"
        entries = [k[len(under):] for k in self.export_reg(UNINSTALL) if k.lower().startswith(under)]
        products = [e for e in entries if any(e.lower().startswith(n.lower() + "-") for n in PRODUCT_NAMES)]
        self.import_reg(["[-%s\\%s]" % (UNINSTALL, e) for e in products] +
                        ["[-%s\\Kavvik.exe]" % APP_PATHS,
                         "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main]", '"Start Page"=-'])
        for name in PRODUCT_FOLDERS:
            shutil.rmtree(os.path.join(self.prefix, "drive_c", "Program Files", name), ignore_errors=True)


def wine_env(build):
    """The environment a Windows program of this build runs in, in the build's own prefix."""
    return Wine(build).env


def wine_binary(build=None):
    """The loader for this build's programs (the 64-bit one when no build is named)."""
    return Wine(build).loader if build else loader("win64")
