#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and opens the window.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/build.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "There is no display to open the window on." >&2
  echo "Run it on a virtual one:  xvfb-run -a $top/build/varnoth" >&2
  echo "or save a picture of it:  $top/scripts/screenshot.sh varnoth.png" >&2
  exit 1
fi
exec "$top/build/varnoth" "$@"
