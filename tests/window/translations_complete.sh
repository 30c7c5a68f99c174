#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: translations_complete.sh LUPDATE SOURCE-DIR
# Brings a copy of every translations/*.ts up to date with the sources and fails when a text the
# user sees has no translation yet or a translation no longer has its text in the sources.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 LUPDATE SOURCE-DIR" >&2; exit 2; }
lupdate=$1
cd "$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for ts in translations/*.ts; do
  copy=$work/$(basename "$ts")
  cp "$ts" "$copy"
  "$lupdate" -silent -locations none app platform window -ts "$copy" >/dev/null 2>&1
  # A message whose translation is missing or left over spans the lines from <message> on.
  if grep -B2 -E 'type="(unfinished|vanished|obsolete)"' "$copy"; then
    echo "$ts: the texts above have no translation or are no longer in the sources" >&2
    status=1
  fi
done
exit $status
