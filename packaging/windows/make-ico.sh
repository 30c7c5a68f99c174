#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Packs square PNG images into one Windows icon file: ICO holds PNG images as they are (Windows
# Vista and later), so no image tool is needed. Usage: make-ico.sh OUT.ico IMAGE.png...
set -euo pipefail
out=$1
shift
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
{
  le16 0; le16 1; le16 $#                      # reserved, type 1 (icon), image count
  offset=$((6 + 16 * $#))
  for png in "$@"; do
    size=$(stat -c %s "$png")
    # The width from the PNG header (big-endian at byte 16); 256 is written as 0.
    width=$((0x$(od -An -tx1 -j16 -N4 "$png" | tr -d ' \n')))
    printf "\\x$(printf %02x $((width & 255)))\\x$(printf %02x $((width & 255)))"
    le16 0; le16 1; le16 32                    # no palette, reserved; one plane, 32 bits
    le32 "$size"; le32 "$offset"
    offset=$((offset + size))
  done
  cat "$@"
} >"$out"
