#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what the Windows build and its tests under wine need, if any is missing: kept apart from
# scripts/install-deps.sh so that a Linux-only developer need not install wine. The Qt for Windows
# is a prebuilt folder (see README, "Windows"); its host tools are Debian's qt6-base-dev-tools,
# which must stay at the same version, 6.4.2.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix ninja-build cmake qt6-base-dev-tools
  # GoogleTest's sources, built with the cross compiler; the icons rendered from SVG
  googletest librsvg2-bin zip nsis
  # lrelease for the translations, and Qt's own translations
  qt6-l10n-tools qt6-translations-l10n
  # the tests run the Windows programs under wine, the window on a virtual display
  wine wine64 xvfb xauth xdotool x11-utils
)

exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
