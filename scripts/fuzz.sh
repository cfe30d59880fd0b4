#!/usr/bin/env bash
# Builds the libFuzzer targets (the "fuzz" preset: clang, AddressSanitizer, UBSan) and runs each.
#
#   scripts/fuzz.sh                  every target for 5 minutes (the longer run)
#   scripts/fuzz.sh --quick          every target for 8 seconds, about a minute in all (CI)
#   scripts/fuzz.sh --time 60 json   chosen targets for a chosen number of seconds each
#
# Seeds come from fuzz/corpus/<target>/ and the JSON and CSV conformance suites in tests/data.
# New inputs of the longer runs are kept in build/fuzz/corpus/<target>/; crashes and hangs
# go to build/fuzz/artifacts/.
# Exits non-zero when any target finds a crash, a broken invariant, a leak or a hang.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=300
max_len=8192
quick=false
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=true; seconds=8; max_len=4096 ;;
    --time) seconds="$2"; shift ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) targets+=("$1") ;;
  esac
  shift
done

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

build="$root/build/fuzz"
if [ ${#targets[@]} -eq 0 ]; then
  for binary in "$build"/fuzz/fuzz_*; do targets+=("$(basename "$binary" | sed 's/^fuzz_//')"); done
fi

conformance="$root/tests/data/conformance"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

failed=()
mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
  binary="$build/fuzz/fuzz_$target"
  [ -x "$binary" ] || { echo "no fuzz target '$target'" >&2; exit 2; }
  # The short run starts from the seeds alone, so its length does not grow with the corpus that
  # longer runs collect.
  if $quick; then
    work="$build/corpus-quick/$target"
    rm -rf "$work"
  else
    work="$build/corpus/$target"
  fi
  mkdir -p "$work"
  seeds=("$root/fuzz/corpus/$target")
  case "$target" in
    json) [ -d "$conformance/json/test_parsing" ] && seeds+=("$conformance/json/test_parsing") ;;
    table) [ -d "$conformance/csv/csvs" ] && seeds+=("$conformance/csv/csvs") ;;
    actions)
      [ -d "$conformance/csv/csvs" ] && seeds+=("$conformance/csv/csvs")
      [ -d "$conformance/json/test_parsing" ] && seeds+=("$conformance/json/test_parsing") ;;
  esac
  dict="$root/fuzz/text.dict"
  [ "$target" = json ] && dict="$root/fuzz/json.dict"
  log="$build/artifacts/$target.log"
  echo "== fuzz_$target (${seconds}s)"
  # -timeout: one input slower than this is a hang (sanitized build; the engines answer in
  # milliseconds, and the regular-expression limits stop within about a second).
  if "$binary" -max_len="$max_len" -timeout=15 -rss_limit_mb=2560 -max_total_time="$seconds" \
      -dict="$dict" -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" "$work" "${seeds[@]}" >"$log" 2>&1; then
    grep -E 'stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" | sed 's/^stat::/   /'
  else
    echo "   FAILED: see $log" >&2
    grep -E -A12 'invariant broken|ERROR:|runtime error' "$log" | head -40 >&2 || true
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found problems in: ${failed[*]}" >&2
  exit 1
fi
echo "All fuzz targets ran clean."
