#!/usr/bin/env bash
# Fails when a tracked C++ file is not formatted as .clang-format says. To fix one:
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
