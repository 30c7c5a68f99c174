#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build, the tests, the package, the quality gates and the
# screenshots need, if any is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-svg-dev
  # lrelease for the translations; Qt's own translations (standard buttons) and Wayland plugin,
  # which the window tests and the Wayland smoke test (on a headless weston) use
  qt6-l10n-tools qt6-translations-l10n qt6-wayland weston
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool openbox fonts-liberation
  desktop-file-utils appstream libxml2-utils dpkg-dev file lintian
  clang-format clang-tidy
  # libFuzzer and its sanitizer runtimes for the fuzz targets
  clang libclang-rt-14-dev
  # the file systems the file-system tests mount: loop images and FUSE
  e2fsprogs xfsprogs btrfs-progs dosfstools fusefat ntfs-3g
  # the power-cut file system the durability tests mount (FUSE 3)
  libfuse3-dev fuse3
  # a network share in the file-system tests: sshfs over an OpenSSH server on the loopback
  openssh-server sshfs
)

exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
