#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything but the benchmarks with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and runs the test suite there: any memory error, leak or undefined behaviour fails a
# test. Tests labelled no-sanitizer (building the package, the 100,000-file listing, the mounted
# file systems) check what the sanitizers cannot add to, and are left to the ordinary run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# Set before the build too: gtest_discover_tests runs the test binaries while building.
export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Debug: the sanitizers need no optimiser, and the build is the slow part; line tables are all
# their reports need, and a unity build compiles each library's sources as one.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
  -DCMAKE_UNITY_BUILD=ON -DVARNOTH_SANITIZE=ON -DVARNOTH_BUILD_BENCHMARKS=OFF
cmake --build build-asan -j "$(nproc)"
ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --label-exclude no-sanitizer
