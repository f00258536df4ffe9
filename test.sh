#!/usr/bin/env bash
# Builds and runs every test (installing what is missing first). The sanitizer builds and an
# optimised build run the core and platform tests (the optimiser can break what a debug build
# hides); the release build is installed and packaged (scripts/check-install); the debug build
# runs everything, then each test program whole in a shuffled order. A stage whose tests fail
# does not stop the later ones; the exit status says whether any failed.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
jobs=$(nproc)
status=0

# The run gets a home of its own that holds what a musician keeps: a saved default settings file
# (ports named, a tempo not the factory's), a scene in the data folder and a runtime folder. Every
# test program gives itself a private home (tests/TestMain.cpp), so no test may read these or
# change them; the run fails if any of them changed.
planted=$(mktemp -d)
trap 'rm -rf "$planted"' EXIT
mkdir -p "$planted/home/.config/Vellorine" "$planted/home/Vellorine/Scenes" "$planted/run"
chmod 700 "$planted/home" "$planted/run"
cp tests/data/saved-home/SeqDefaults.txt "$planted/home/.config/Vellorine/"
cp tests/data/midi-fuzz-seeds/demo-4.mid "$planted/home/Vellorine/Scenes/Scene-01.mid"
export HOME="$planted/home" XDG_RUNTIME_DIR="$planted/run"
unset XDG_CONFIG_HOME VELLORINE_MIDI
# Each entry with its kind, size, mode, time and inode (a file replaced by an equal one is a
# change too), then each file's bytes.
kept() {
  (cd "$planted" && find home/.config/Vellorine home/Vellorine run -printf '%p %y %s %m %T@ %i\n' | sort &&
    find home/.config/Vellorine home/Vellorine run -type f -exec sha256sum {} + | sort)
}
kept >"$planted/before"

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

# The release build as run.sh makes it, installed and packaged as a user would get it.
echo "== release build: install and package check"
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
scripts/check-install build/release || status=1

echo "== debug build"
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$jobs"
ctest --preset debug -j "$jobs" --timeout 300 || status=1

# Each test program once more as one process, its tests in a shuffled order: a test that leans on
# what an earlier one left behind fails here. The seed is printed so that a failing order can be
# run again (VELLORINE_TEST_SEED=n). The end-to-end program is left out: it needs a MIDI server of
# its own per test, which ctest gives it above.
seed="${VELLORINE_TEST_SEED:-$(((RANDOM * 32768 + RANDOM) % 99999 + 1))}"
echo "== debug test programs whole, shuffled with seed $seed"
for program in build/debug/tests/test_*; do
  [ -f "$program" ] && [ -x "$program" ] || continue
  [ "$(basename "$program")" = test_e2e ] && continue
  if ! QT_QPA_PLATFORM=offscreen timeout 600 \
    "$program" --gtest_shuffle --gtest_random_seed="$seed" --gtest_brief=1; then
    status=1
    echo "== $(basename "$program") failed as one process with seed $seed"
  fi
done

# The fuzz targets (clang, installed here), built and run a few seconds each on their seeds, so
# that the fuzzing the README describes keeps building and its seeds keep passing.
echo "== fuzz build and short runs"
if ! CMAKE_BUILD_PARALLEL_LEVEL="$jobs" scripts/run-fuzz 5; then
  status=1
  echo "== fuzz: failed"
fi
echo "== the musician's folders the run was given"
# A folder removed makes find fail; the comparison below shows what went.
kept >"$planted/after" 2>&1 || true
if diff "$planted/before" "$planted/after"; then
  echo "unchanged: settings, data and runtime folders"
else
  status=1
  echo "== a test changed the musician's settings, data or runtime folder (above)"
fi
exit "$status"
