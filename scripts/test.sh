#!/usr/bin/env bash
# Builds everything (benchmarks included, so they cannot rot) and runs every test, then the quality
# gates, each of which also runs alone: scripts/check-format.sh, scripts/check-tidy.sh and
# scripts/test-sanitized.sh. Every step runs even when an earlier one fails, so one run shows all
# problems; the last line counts the steps that passed and failed, and the exit status is non-zero
# when any failed.
set -uo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0
times=()
step() {
  local name=$1 start=$SECONDS result
  shift
  echo "=== $name: $*"
  if "$@"; then
    result=passed
    passed=$((passed + 1))
  else
    result=FAILED
    failed=$((failed + 1))
  fi
  times+=("$(printf '%-10s %-7s %5d s' "$name" "$result" $((SECONDS - start)))")
}

step build scripts/build.sh
if [ "$failed" -eq 0 ]; then
  step tests ctest --test-dir build --output-on-failure -j "$(nproc)"
fi
step format scripts/check-format.sh
step tidy scripts/check-tidy.sh
step sanitized scripts/test-sanitized.sh

echo "=== summary"
printf '%s\n' "${times[@]}"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
