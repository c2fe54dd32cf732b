# Sourced by the scripts that run Windows programs: Wine with code page 936, quiet, and a
# prefix inside the build folder (never in $HOME).
: "${ORVANE_BUILD_DIR:?ORVANE_BUILD_DIR must name the build folder}"
export WINEPREFIX="$ORVANE_BUILD_DIR/wineprefix"
export WINEARCH=win64
export LC_ALL=zh_CN.UTF-8
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The 64-bit loader by name: once wine32 is installed, plain "wine" is the 32-bit loader,
# which cannot start the x86_64 programs in this prefix.
WINE=/usr/lib/wine/wine64
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
export WINELOADER="$WINE"

# Creates the prefix on first use and keeps one wineserver alive, so that each program
# starts in well under a second.
orvane_wine_up() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        "$WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
        wineserver -w 2>/dev/null || true
    fi
    # A new server also needs the system services; started here with no inherited output,
    # they cannot hold the caller's pipes open (ctest waits for those to close).
    if wineserver -p </dev/null >/dev/null 2>&1; then
        "$WINE" wineboot </dev/null >/dev/null 2>&1 || true
    fi
    WINE="$WINE" bash "$(dirname "${BASH_SOURCE[0]}")/wine-fonts.sh" || true
}

orvane_wine_down() {
    wineserver -k 2>/dev/null || true
}
