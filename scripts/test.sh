#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything (benchmarks included, so they cannot rot) and runs every test, then the quality
# gates, each of which also runs alone: scripts/check-format.sh, scripts/check-tidy.sh,
# scripts/test-sanitized.sh, scripts/run-fuzz.sh and scripts/test-windows.sh (the Windows build
# and its tests under wine; skipped, and said so, only where wine cannot start). Every step runs even when an earlier one
# fails, so one run shows all problems. The last line counts the tests that passed and failed in both test runs, with each
# failed gate counted as one more failure; the exit status is non-zero when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0
skipped=0
times=()
step() {
  local name=$1 start=$SECONDS result status=0
  shift
  echo "=== $name: $*"
  "$@" || status=$?
  if [ "$status" -eq 0 ]; then
    result=passed
    passed=$((passed + 1))
  elif [ "$status" -eq 77 ]; then
    result=SKIPPED
    skipped=$((skipped + 1))
  else
    result=FAILED
    failed=$((failed + 1))
  fi
  times+=("$(printf '%-10s %-7s %5d s' "$name" "$result" $((SECONDS - start)))")
}

# Runs two steps at once, each with its output in a log of its own that is printed when both have
# ended. The tests mostly wait for disks, mounts and child processes, so a step that only computes
# (clang-tidy, the fuzzers) fills the cores meanwhile.
together() {
  local first=$1 second=$2 start=$SECONDS name
  local -A status
  "$first" >"$logs/$first.out" 2>&1 &
  local firstPid=$!
  "$second" >"$logs/$second.out" 2>&1 &
  local secondPid=$!
  wait "$firstPid"
  status[$first]=$?
  wait "$secondPid"
  status[$second]=$?
  for name in "$first" "$second"; do
    echo "=== $name (alongside the other)"
    cat "$logs/$name.out"
    if [ "${status[$name]}" -eq 0 ]; then
      passed=$((passed + 1))
      times+=("$(printf '%-10s %-7s %5d s (together)' "$name" passed $((SECONDS - start)))")
    else
      failed=$((failed + 1))
      times+=("$(printf '%-10s %-7s %5d s (together)' "$name" FAILED $((SECONDS - start)))")
    fi
  done
}

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
tests() { ctest --test-dir build --output-on-failure -j "$(nproc)" | tee "$logs/tests.log"; }
tidy() { scripts/check-tidy.sh; }
sanitized() { scripts/test-sanitized.sh | tee "$logs/sanitized.log"; }
fuzz() { scripts/run-fuzz.sh; }
windows() { scripts/test-windows.sh -DCMAKE_UNITY_BUILD=ON | tee "$logs/windows.log"; }

# Warnings are errors here, so that nothing new lands with one; a newcomer's build only warns. The
# tests need no debug information, and a unity build compiles each library's sources as one.
step build scripts/build.sh -DVARNOTH_WERROR=ON -DCMAKE_UNITY_BUILD=ON \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"
built=$((failed == 0))
step format scripts/check-format.sh
if [ "$built" -eq 1 ]; then
  together tests tidy
else
  step tidy tidy
fi
together sanitized fuzz
step windows windows

# ctest closes with "100% tests passed, 0 tests failed out of 91".
tests_passed=0
tests_failed=0
for log in "$logs"/*.log; do
  failures= total=
  read -r _ failures total < <(sed -n 's/^\([0-9]*\)% tests passed, \([0-9]*\) tests\? failed out of \([0-9]*\)$/\1 \2 \3/p' "$log")
  [ -n "${total:-}" ] || continue
  tests_passed=$((tests_passed + total - failures))
  tests_failed=$((tests_failed + failures))
done

echo "=== summary"
printf '%s\n' "${times[@]}"
echo "steps that passed: $passed of $((passed + failed + skipped))$([ "$skipped" -eq 0 ] || echo ", $skipped SKIPPED")"
echo "$tests_passed passed, $((tests_failed + failed)) failed"
[ "$failed" -eq 0 ]
