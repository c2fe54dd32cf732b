#!/bin/sh
# Installs every Debian package that building, testing and running the project need.
# Safe to run again: apt-get skips what is already there.
set -e
export DEBIAN_FRONTEND=noninteractive

# A mirror caught mid-sync fails one index; ask again a few times, then go on with what
# the other indexes give, since the install below says plainly if something is missing.
apt_update() {
    for attempt in 1 2 3; do
        $SUDO apt-get update -qq && return 0
        sleep $((attempt * 15))
    done
    echo "apt-get update failed three times; installing from the indexes at hand" >&2
}
PKGS="cmake make python3 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
gcc-mingw-w64-i686-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64 mingw-w64-tools
googletest wine wine64 xvfb xauth x11-utils imagemagick fonts-wqy-microhei python3-pil
nginx-light aria2 curl locales xdotool osslsigncode openssl"
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    [ "$(id -u)" = 0 ] && SUDO="" || SUDO="sudo"
    apt_update
    $SUDO apt-get install -y -qq --no-install-recommends $missing
fi

# The i686 test programs run under Debian's 32-bit loader: wine32 of the i386 architecture.
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    [ "$(id -u)" = 0 ] && SUDO="" || SUDO="sudo"
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
    apt_update
    # Without wine32 the i686 tests are skipped with a line saying so, not failed.
    $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 ||
        echo "wine32:i386 could not be installed; the i686 build is built but not run" >&2
fi

# Wine takes its ANSI code page (936) from LC_ALL=zh_CN.UTF-8; the shells want it to exist.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    [ "$(id -u)" = 0 ] && SUDO="" || SUDO="sudo"
    $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
