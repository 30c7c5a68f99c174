#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs clang-tidy with the checked-in .clang-tidy over all our sources (engine/, platform/,
# window/, app/); any finding fails.
# Takes the compile commands from build-tidy/, a tree that is only configured, never built: a unity
# build's commands name the combined sources, not the files themselves.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-tidy -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD=OFF \
  -DVARNOTH_BUILD_TESTS=OFF -DVARNOTH_BUILD_BENCHMARKS=OFF >/dev/null
mapfile -t files < <(git ls-files -- 'engine/*.cpp' 'platform/*.cpp' 'window/*.cpp' 'app/*.cpp')
# clang-tidy counts the warnings it hides in system headers on stderr; only the findings matter.
if ! printf '%s\n' "${files[@]}" |
  xargs -P "$(nproc)" -n 1 clang-tidy -p build-tidy --quiet 2> >(grep -v 'warnings generated' >&2); then
  echo "clang-tidy found problems, listed above." >&2
  exit 1
fi
echo "clang-tidy: ${#files[@]} files clean"
