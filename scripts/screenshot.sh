#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: scripts/screenshot.sh OUT.png [DIRECTORY]
# Starts the program in DIRECTORY (default: the current one) on a virtual X display and saves a
# PNG of its window.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 OUT.png [DIRECTORY]" >&2; exit 2; }
top="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "$1")"
directory="${2:-$PWD}"
"$top/scripts/build.sh" >/dev/null

display=":$(( (RANDOM % 400) + 100 ))"
Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
program=
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

(cd "$directory" && QT_QPA_PLATFORM=xcb exec "$top/build/varnoth") &
program=$!
window=
for _ in $(seq 100); do
  # The window of class Varnoth; Qt's helper windows carry the title but no class.
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"Varnoth": \("varnoth"/ { print $1; exit }')
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 1  # let it paint
"$top/build/grab_window" "$window" "$out"
echo "saved $out"
