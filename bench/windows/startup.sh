#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program's start-up under wine against the smallest Qt window's, both from the same
# folder of DLLs: the time from starting the program to its window being on the (virtual)
# screen, taking turns, ROUNDS times each, in a warm wine prefix. Prints the medians and their ratio.
# Usage: bench/windows/startup.sh [ROUNDS] after scripts/build-windows.sh.
set -euo pipefail
cd "$(dirname "$0")/../.."
rounds=${1:-7}
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
display=":$(((RANDOM % 400) + 500))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k 2>/dev/null; kill $xvfb; rm -rf "$work"' EXIT
export DISPLAY=$display
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i >/dev/null 2>&1
cp -r build-win/Varnoth "$work/app"
cp build-win/tree/bench/windows/minimal_window.exe "$work/app/"
mkdir "$work/Photos"

# Milliseconds from the start until a window titled $2 is mapped; the program is then closed.
startup() {
  local start end pid
  start=$(date +%s%N)
  (cd "$work/Photos" && exec wine "$work/app/$1" >/dev/null 2>&1) &
  pid=$!
  xdotool search --sync --onlyvisible --name "^$2\$" >/dev/null
  end=$(date +%s%N)
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
  echo $(((end - start) / 1000000))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

startup minimal_window.exe Minimal >/dev/null  # the first start loads the prefix's caches
program=() baseline=()
for ((i = 0; i < rounds; i++)); do
  if ((i % 2)); then
    program+=("$(startup varnoth.exe Varnoth)"); baseline+=("$(startup minimal_window.exe Minimal)")
  else
    baseline+=("$(startup minimal_window.exe Minimal)"); program+=("$(startup varnoth.exe Varnoth)")
  fi
done
p=$(printf '%s\n' "${program[@]}" | median)
b=$(printf '%s\n' "${baseline[@]}" | median)
echo "start-up under wine, median of $rounds: varnoth.exe $p ms, minimal Qt window $b ms, ratio $(echo "scale=2; $p / $b" | bc)"
