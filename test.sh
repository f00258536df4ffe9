#!/usr/bin/env bash
# Builds and runs every test (installing what is missing first). The sanitizer builds run the
# core and platform tests; the debug build runs everything and prints the closing summary.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
jobs=$(nproc)

if [ "${VELLORINE_SKIP_SANITIZERS:-0}" != "1" ]; then
  for preset in asan tsan; do
    echo "== $preset build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs" --timeout 300
  done
fi

echo "== debug build"
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$jobs"
ctest --preset debug -j "$jobs" --timeout 300
