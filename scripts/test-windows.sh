#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows build and its tests under wine: cross-builds (scripts/build-windows.sh), then runs
# the engine's and the Win32 ports' tests through CTest with wine as the emulator, the smoke test
# of the window on a virtual display and the installer's test, all in a fresh wine prefix that is
# removed afterwards.
# Exits 77 (skipped, with the reason) only where wine cannot start at all.
# Extra arguments go to the configure step of the build.
set -euo pipefail
cd "$(dirname "$0")/.."
# The build's output is long; it is shown only when the build fails, so that CI says why.
build_log=$(mktemp)
if ! scripts/build-windows.sh "$@" >"$build_log" 2>&1; then
  tail -n 60 "$build_log"
  rm -f "$build_log"
  echo "the Windows build failed"
  exit 1
fi
rm -f "$build_log"

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# The prefix's services start here, detached: started by a test under CTest they would hold its
# output pipe open and CTest would wait for them.
mkdir -p "$WINEPREFIX"
if ! wineserver -p >"$work/wine.log" 2>&1 || ! wineboot -i >>"$work/wine.log" 2>&1; then
  echo "SKIPPED: wine cannot start here: $(tail -n 3 "$work/wine.log")"
  exit 77
fi

# A drive whose root is an empty folder, for the moves at a root; and a folder on a second file
# system (the prefix lives on the temporary folder's, /dev/shm is memory) for moves across volumes.
mkdir -p "$work/spare"
ln -s "$work/spare" "$WINEPREFIX/dosdevices/t:"
export VARNOTH_SPARE_DRIVE='T:\'
if [ -d /dev/shm ] && [ "$(stat -c %d /dev/shm)" != "$(stat -c %d "$work")" ]; then
  other=$(mktemp -d /dev/shm/varnoth-other-XXXXXX)
  trap 'cleanup; rm -rf "$other"' EXIT
  export VARNOTH_OTHER_VOLUME="Z:${other//\//\\}"
fi

status=0
ctest --test-dir build-win/tree --output-on-failure -j "$(nproc)" | tail -n 40 || status=1
tests/windows/smoke_test.sh build-win/Varnoth || status=1
tests/windows/installer_test.sh build-win/varnoth-*-setup.exe || status=1
exit $status
