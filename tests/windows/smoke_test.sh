#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program as a user meets it, under wine on a virtual display: the window opens in a
# folder of three pictures, the keyboard selects them all and presses "Rename Files", and the
# folder then holds the three under numbered names with their contents, nothing lost.
# Usage: smoke_test.sh APPDIR [SCREENSHOT.png] (WINEPREFIX set up by the caller).
set -euo pipefail
app=$(realpath "$1")
shot=${2:-}
work=$(mktemp -d)
display=":$(((RANDOM % 400) + 500))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
program=
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

folder=$work/Trip
mkdir "$folder"
printf 'first' >"$folder/a.jpg"
printf 'second' >"$folder/b.jpg"
printf 'third' >"$folder/c.jpg"
census() { (cd "$folder" && for f in *; do printf '%s\n' "$(cat "$f")"; done | sort); }
before=$(census)

(cd "$folder" && exec wine "$app/varnoth.exe" >"$work/log" 2>&1) &
program=$!
window=$(timeout 60 xdotool search --sync --name '^Varnoth$' | head -n 1) || {
  echo "the window did not open"; cat "$work/log"; exit 1; }
sleep 2  # let it paint and take the keyboard
[ -z "$shot" ] || import -window "$window" "$shot" 2>/dev/null || true
xdotool windowfocus --sync "$window" 2>/dev/null || true
# From the drive list: Tab to the source files, select them all, Tab on to "Rename Files".
xdotool key --window "$window" --delay 150 Tab Tab ctrl+a Tab Tab Tab Tab Tab space
for _ in $(seq 100); do
  [ -f "$folder/Trip003.jpg" ] && break
  sleep 0.1
done
after=$(census)
names=$(cd "$folder" && ls | tr '\n' ' ')
[ "$names" = "Trip001.jpg Trip002.jpg Trip003.jpg " ] || { echo "folder holds: $names"; exit 1; }
[ "$after" = "$before" ] || { echo "contents differ: $after"; exit 1; }
echo "three files renamed in place under wine, nothing lost"
