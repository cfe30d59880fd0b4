#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the release build (engine,
# app and end-to-end tests), then the engine again under AddressSanitizer and UBSan, then a short
# run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)

echo "== Release build and tests"
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
ctest --preset release -j "$jobs"

echo "== Engine under AddressSanitizer and UBSan"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

if [ -x scripts/fuzz.sh ]; then
  echo "== Fuzz targets, short run"
  scripts/fuzz.sh --quick
fi
