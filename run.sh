#!/usr/bin/env bash
# Builds a release build of Vellorine (installing what is missing first) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/vellorine "$@"
