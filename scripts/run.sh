#!/usr/bin/env bash
# Builds the game optimised with its data and runs it; arguments go to the
# game. It keeps its saves/ and config/ beside the program in build/release.
set -euo pipefail
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "scripts/run.sh: no graphical display found; the game needs one." >&2
  exit 1
fi
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELKOR_TESTS=OFF
cmake --build build/release -j "$(nproc)" --target zelkor data
exec build/release/zelkor "$@"
