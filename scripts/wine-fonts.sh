#!/bin/bash
# Font replacements for the test and demo Wine prefix: Wine has no "宋体" (SimSun), the face
# the program's windows ask for, so Chinese text would come out as boxes. The program itself
# never names a substitute: the systems it serves have the face.
# Needs WINE and WINEPREFIX (scripts/wine-env.sh); does nothing once the prefix has them.
set -u
marker="$WINEPREFIX/orvane-fonts-1"
[ -f "$marker" ] && exit 0
face="WenQuanYi Micro Hei"  # fonts-wqy-microhei
key='HKCU\Software\Wine\Fonts\Replacements'
for name in "宋体" "SimSun" "新宋体" "NSimSun"; do
    "$WINE" reg add "$key" /v "$name" /t REG_SZ /d "$face" /f </dev/null >/dev/null 2>&1 || exit 1
done
touch "$marker"
