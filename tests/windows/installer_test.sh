#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installer under wine: a silent install puts the program and its Start-menu entry in place,
# and the uninstaller takes away all it put there, the folder included (a file the installer
# copies but the uninstaller does not name would keep the folder).
# Usage: installer_test.sh SETUP.exe (WINEPREFIX set up by the caller).
set -euo pipefail
setup=$1
# The installer makes windows even when silent: it needs a display, a virtual one here.
display=":$(((RANDOM % 400) + 500))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
drive_c=$WINEPREFIX/drive_c
folder="$drive_c/Program Files/Varnoth"
entry="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Varnoth.lnk"

timeout 60 wine "$setup" /S
[ -f "$folder/varnoth.exe" ] || { echo "the program was not installed"; exit 1; }
[ -f "$entry" ] || { echo "no Start-menu entry"; exit 1; }
[ -f "$folder/translations/varnoth_de.qm" ] || { echo "the translations were not installed"; exit 1; }
# The uninstaller copies itself away and returns at once; wait for it to finish.
timeout 60 wine "$folder/uninstall.exe" /S
for _ in $(seq 100); do
  [ ! -e "$folder" ] && [ ! -e "$entry" ] && break
  sleep 0.1
done
[ ! -e "$entry" ] || { echo "the Start-menu entry stayed"; exit 1; }
[ ! -e "$folder" ] || { echo "left behind: $(cd "$folder" && find . -mindepth 1 | tr '\n' ' ')"; exit 1; }
echo "installed and uninstalled under wine, nothing left behind"
