#!/usr/bin/env bash
# Builds optimised and runs every benchmark (or those named as arguments).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELKOR_TESTS=OFF
cmake --build build/release -j "$(nproc)"
shopt -s nullglob
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for b in bench/*_bench.cpp; do names+=("$(basename "$b" .cpp)"); done
fi
for n in "${names[@]}"; do
  echo "== $n"
  build/release/bench/$n
done
