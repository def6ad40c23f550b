#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a short while
# on a scratch copy of its kept corpus. The whole run shares one time budget
# (FUZZ_TOTAL_SECONDS, default 210), so adding a target never lengthens CI;
# FUZZ_SECONDS fixes the time of each target instead.
set -euo pipefail
cd "$(dirname "$0")/.."

JOBS=$(nproc)
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELKOR_FUZZ=ON \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_C_FLAGS_DEBUG=-gline-tables-only -DCMAKE_CXX_FLAGS_DEBUG=-gline-tables-only
cmake --build build/fuzz -j "$JOBS"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
shopt -s nullglob
targets=(fuzz/*_fuzz.cpp)
if [ -n "${FUZZ_SECONDS:-}" ]; then
  SECONDS_EACH=$FUZZ_SECONDS
else
  SECONDS_EACH=$(( ${FUZZ_TOTAL_SECONDS:-210} / ${#targets[@]} ))
  [ "$SECONDS_EACH" -ge 5 ] || SECONDS_EACH=5
fi
status=0
for src in "${targets[@]}"; do
  name=$(basename "$src" .cpp)
  bin=build/fuzz/fuzz/$name
  scratch=build/fuzz/scratch/$name
  rm -rf "$scratch"; mkdir -p "$scratch" "fuzz/corpus/$name"
  echo "fuzz: $name for ${SECONDS_EACH}s"
  if ! (cd build/fuzz && "../../$bin" -max_total_time="$SECONDS_EACH" -timeout=10 \
          -rss_limit_mb=2048 "../../$scratch" "../../fuzz/corpus/$name" >"scratch/$name.log" 2>&1); then
    echo "fuzz: $name FAILED"; tail -n 60 "build/fuzz/scratch/$name.log"; status=1
  else
    grep -E "^Done|#[0-9]+.*DONE" "build/fuzz/scratch/$name.log" | tail -n 1 || true
  fi
done
exit $status
