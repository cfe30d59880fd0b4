#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the release build (engine,
# app and end-to-end tests), then the engine again under AddressSanitizer and UBSan, the app's
# panel, clipboard and command tests under ThreadSanitizer, then a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)
# Each pass says how long the command has run, so a slow pass shows in CI's log.
stage() { echo "== $1 (at $((SECONDS / 60)) min $((SECONDS % 60)) s)"; }

stage "Release build and tests"
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
stage "Release tests"
ctest --preset release -j "$jobs"

stage "Engine under AddressSanitizer and UBSan"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

stage "App tests under ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
# ThreadSanitizer needs the address layout it was built for; some kernels randomise more.
if [ "$(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo 28)" -gt 28 ]; then
  setarch "$(uname -m)" -R ctest --preset tsan -j "$jobs"
else
  ctest --preset tsan -j "$jobs"
fi

if [ -x scripts/fuzz.sh ]; then
  stage "Fuzz targets, short run"
  scripts/fuzz.sh --quick
fi
stage "Done"
