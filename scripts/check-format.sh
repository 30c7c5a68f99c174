#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a tracked C++ file is not formatted as .clang-format says, or a source lacks its SPDX
# licence line. To fix the format of a file:
# clang-format -i FILE
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${files[@]}"; then
  echo "Not formatted; run clang-format -i on the files above." >&2
  exit 1
fi
echo "clang-format: ${#files[@]} files formatted"

# Every source says its licence, so that a file copied elsewhere still carries it.
mapfile -t unlicensed < <(git ls-files -- '*.cpp' '*.h' '*.sh' '*CMakeLists.txt' '*.cmake' .ci/run |
  xargs grep -L 'SPDX-License-Identifier: GPL-3.0-or-later')
if [ ${#unlicensed[@]} -gt 0 ]; then
  printf 'No SPDX-License-Identifier line: %s\n' "${unlicensed[@]}" >&2
  exit 1
fi
echo "SPDX lines: every source carries one"
