#!/usr/bin/env bash
# Installs what is missing, builds everything under AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test, then runs each fuzz target
# briefly on its kept corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

JOBS=$(nproc)
# Line tables are all a sanitizer report needs, and they take minutes off a
# CI run.
# Each test program runs whole, once; a failure's output names its cases.
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELKOR_SANITIZE=ON \
      -DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DZELKOR_TEST_PROGRAMS=ON
cmake --build build/asan -j "$JOBS"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/asan --output-on-failure -j "$JOBS" --timeout 600

scripts/fuzz.sh
