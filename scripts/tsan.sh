#!/usr/bin/env bash
# The app's panel, clipboard and command tests under ThreadSanitizer, with 1,000 rounds of the
# panel stress. Not part of scripts/test.sh: a fresh build under ThreadSanitizer takes longer than
# the whole test command may.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
# ThreadSanitizer needs the address layout it was built for; newer kernels randomise more.
if [ "$(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo 28)" -gt 28 ]; then
  setarch "$(uname -m)" -R ctest --preset tsan -j "$jobs"
else
  ctest --preset tsan -j "$jobs"
fi
