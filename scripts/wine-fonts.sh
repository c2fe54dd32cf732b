#!/bin/bash
# Font replacements for the test and demo Wine prefix: Wine has no "宋体" (SimSun), the face
# the program's windows ask for, so Chinese text would come out as boxes. The program itself
# never names a substitute: the systems it serves have the face.
# Needs WINE and WINEPREFIX (scripts/wine-env.sh); does nothing once the prefix has them.
#
# It also turns off Wine's crash dialog: a test program that crashes then ends at once with
# its backtrace on stderr, instead of waiting for a click until the test's time-out.
set -u
crash_marker="$WINEPREFIX/orvane-no-crash-dialog"
if [ ! -f "$crash_marker" ]; then
    "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        </dev/null >/dev/null 2>&1 && touch "$crash_marker"
fi
marker="$WINEPREFIX/orvane-fonts-1"
[ -f "$marker" ] && exit 0
face="WenQuanYi Micro Hei"  # fonts-wqy-microhei
key='HKCU\Software\Wine\Fonts\Replacements'
for name in "宋体" "SimSun" "新宋体" "NSimSun"; do
    "$WINE" reg add "$key" /v "$name" /t REG_SZ /d "$face" /f </dev/null >/dev/null 2>&1 || exit 1
done
touch "$marker"
