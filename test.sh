#!/usr/bin/env bash
# Builds and runs every test (installing what is missing first). The sanitizer builds and an
# optimised build run the core and platform tests (the optimiser can break what a debug build
# hides); the debug build runs everything and prints the closing summary. A
# stage whose tests fail does not stop the later ones; the exit status says whether any failed.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
jobs=$(nproc)
status=0

presets="reltest"
if [ "${VELLORINE_SKIP_SANITIZERS:-0}" != "1" ]; then
  presets="asan tsan reltest"
fi
for preset in $presets; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  if ! ctest --preset "$preset" -j "$jobs" --timeout 300; then
    status=1
    echo "== $preset: tests failed; going on with the next build"
  fi
done

echo "== debug build"
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$jobs"
ctest --preset debug -j "$jobs" --timeout 300 || status=1
exit "$status"
