#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs clang-tidy with the checked-in .clang-tidy over all our sources (engine/, platform/,
# window/, app/); any finding fails.
#
# It reads them as a unity build does, a library's sources together in one file, so that the Qt
# headers are parsed a few times rather than once for every source: a third of the time. The
# build-tidy/ tree is only configured, never built; CMake writes the combined sources then.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-tidy -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD=ON \
  -DVARNOTH_BUILD_TESTS=OFF -DVARNOTH_BUILD_BENCHMARKS=OFF >/dev/null

targets='varnoth|engine|platform|platform_qt|window_text|window'
mapfile -t combined < <(find build-tidy -path '*/CMakeFiles/*.dir/Unity/unity_*_cxx.cxx' |
  grep -E "/CMakeFiles/($targets)\.dir/Unity/" | sort)
# Every source of ours must be in one of them, or it would go unchecked.
# The Windows sources are built by scripts/build-windows.sh only.
mapfile -t sources < <(git ls-files -- 'engine/*.cpp' 'platform/*.cpp' 'window/*.cpp' 'app/*.cpp' \
  ':!platform/win32/*' ':!*_win32.cpp')
missing=0
for source in "${sources[@]}"; do
  if ! grep -qF "/$source\"" "${combined[@]}"; then
    echo "not in any combined source, so not checked: $source" >&2
    missing=1
  fi
done
[ "$missing" -eq 0 ] || exit 1

# The combined files include .cpp files by design; clang-tidy finds .clang-tidy from the sources'
# folder only when told, since the combined files live in the build tree. It counts the warnings
# it hides in system headers on stderr; only the findings matter.
if ! printf '%s\n' "${combined[@]}" |
  xargs -P "$(nproc)" -n 1 clang-tidy -p build-tidy --quiet --config-file=.clang-tidy \
    --checks=-bugprone-suspicious-include 2> >(grep -v 'warnings generated' >&2); then
  echo "clang-tidy found problems, listed above." >&2
  exit 1
fi
echo "clang-tidy: ${#sources[@]} files clean, read as ${#combined[@]} combined sources"
