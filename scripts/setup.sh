#!/bin/sh
# Installs every Debian package that building, testing and running the project need.
# Safe to run again: apt-get skips what is already there.
set -e
export DEBIAN_FRONTEND=noninteractive
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
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends $missing
fi

# The i686 test programs run under Debian's 32-bit loader: wine32 of the i386 architecture.
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    [ "$(id -u)" = 0 ] && SUDO="" || SUDO="sudo"
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends wine32:i386
fi

# Wine takes its ANSI code page (936) from LC_ALL=zh_CN.UTF-8; the shells want it to exist.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    [ "$(id -u)" = 0 ] && SUDO="" || SUDO="sudo"
    $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
