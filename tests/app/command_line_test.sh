#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# --help and --version print and exit 0 without a display; any other argument of the program's
# own is refused with status 2, while Qt's own options still reach Qt.
#   command_line_test.sh VARNOTH VERSION
set -uo pipefail
program=$1
version=$2
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
unset DISPLAY WAYLAND_DISPLAY
export LANG=C LC_ALL=C QT_QPA_PLATFORM=offscreen

out=$("$program" --help) || fail "--help exited with $?"
grep -q '^Usage: varnoth \[--help | --version\]$' <<<"$out" || fail "--help printed: $out"
out=$("$program" --version) || fail "--version exited with $?"
[ "$out" = "varnoth $version" ] || fail "--version printed: $out"

"$program" --frobnicate >/dev/null 2>&1
status=$?
[ "$status" -eq 2 ] || fail "an unknown option exited with $status, not 2"
# -platform is Qt's: the program must accept it and go on to open its window (which the time-out
# then closes).
timeout 3 "$program" -platform offscreen >/dev/null 2>&1
status=$?
[ "$status" -eq 124 ] || fail "-platform offscreen exited with $status instead of opening the window"

[ "$failures" -eq 0 ] && echo "command line: all checks passed"
exit $((failures > 0))
