#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang in build-fuzz/ (only those targets and the libraries they
# need) and runs each for a fixed time on a temporary copy of its seed corpus in fuzz/corpus/.
# Fails on any crash, sanitizer report, time-out or broken property; a failing input is kept in
# build-fuzz/artifacts/ and can be replayed with `build-fuzz/fuzz/<target>_fuzz <file>`.
#   VARNOTH_FUZZ_SECONDS  seconds per target, 1 to 10 (default 8)
#   VARNOTH_FUZZ_JOBS     targets run at the same time (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

seconds=${VARNOTH_FUZZ_SECONDS:-8}
jobs=${VARNOTH_FUZZ_JOBS:-2}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ] || [ "$seconds" -gt 10 ]; then
  echo "run-fuzz: VARNOTH_FUZZ_SECONDS must be a whole number from 1 to 10, not '$seconds'" >&2
  exit 2
fi
if ! [[ "$jobs" =~ ^[0-9]+$ ]] || [ "$jobs" -lt 1 ]; then
  echo "run-fuzz: VARNOTH_FUZZ_JOBS must be a whole number of at least 1, not '$jobs'" >&2
  exit 2
fi
if ! command -v clang++ >/dev/null; then
  echo "run-fuzz: clang++ is missing; scripts/install-deps.sh should have installed it" >&2
  exit 1
fi

targets=(numbering wildcard natural_order paths display wide_names)
build="build-fuzz"
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVARNOTH_BUILD_FUZZERS=ON -DVARNOTH_BUILD_TESTS=OFF -DVARNOTH_BUILD_BENCHMARKS=OFF \
  -DVARNOTH_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_properties_test "${targets[@]/%/_fuzz}"

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The checks first: a fuzz run with a wrong check proves nothing.
"$build/fuzz/fuzz_properties_test" --gtest_brief=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts="$build/artifacts"
mkdir -p "$artifacts"

run_target() {
  local target=$1
  mkdir -p "$work/corpus/$target"
  cp fuzz/corpus/"$target"/* "$work/corpus/$target/"
  # -timeout: an input that takes seconds on names this short is a fault in its own right.
  local status=0
  "$build/fuzz/${target}_fuzz" "$work/corpus/$target" -max_total_time="$seconds" -timeout=5 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$target-" >"$work/$target.log" 2>&1 ||
    status=$?
  echo "$status" >"$work/$target.status"
}

for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    wait -n || true
  done
  run_target "$target" &
done
wait

final_stat() { sed -n "s/^stat::$1: *\([0-9]*\)\$/\1/p" "$2" | tail -n 1; }
failed=0
printf '%-14s %-7s %10s %12s\n' target result exec/s inputs
for target in "${targets[@]}"; do
  log="$work/$target.log"
  result=passed
  if [ "$(cat "$work/$target.status")" != 0 ]; then
    result=FAILED
    failed=$((failed + 1))
  fi
  printf '%-14s %-7s %10s %12s\n' "$target" "$result" "$(final_stat average_exec_per_sec "$log")" \
    "$(final_stat number_of_executed_units "$log")"
done
for target in "${targets[@]}"; do
  if [ "$(cat "$work/$target.status")" != 0 ]; then
    echo "=== $target failed; the last lines of its log:"
    tail -n 40 "$work/$target.log"
  fi
done
if [ "$failed" -ne 0 ]; then
  echo "run-fuzz: $failed of ${#targets[@]} targets failed; inputs in $artifacts/"
  exit 1
fi
echo "run-fuzz: ${#targets[@]} targets ran ${seconds} s each without a fault"
