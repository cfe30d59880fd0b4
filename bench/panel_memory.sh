#!/usr/bin/env bash
# Drives the real app on a virtual X display with large clipboards and prints its resident memory
# (VmRSS) at idle, right after the panel is put away and 3 s later, with the peak while the action
# ran; then the time Escape takes on a busy panel and the small round trip after it.
#   target: 3 s after hiding, RSS <= max(1.5 x idle, idle + 15 MB)
# Usage: bench/panel_memory.sh [BUILD_DIR]   (default build/release; needs the tavlets target)
set -u
cd "$(dirname "$0")/.."
build=${1:-build/release}
tavlets="$build/app/tavlets"
[ -x "$tavlets" ] || { echo "missing $tavlets: build the tavlets target in $build" >&2; exit 1; }
# The display, folders and helpers of the end-to-end cases; HOME goes to the scratch folder too.
case_name=panel_memory
probe=
source tests/e2e/e2e_lib.sh
export HOME="$work/home"
mkdir -p "$HOME"

# Test data: JSON of about 10 MB, long prose of 30 and 50 MB.
awk 'BEGIN { printf "["; for (i = 0; i < 95000; i++) printf "%s{\"id\":%d,\"name\":\"item %d\",\"tags\":[\"a\",\"b\"],\"price\":%d.5,\"ok\":true}", (i ? "," : ""), i, i, i % 977; printf "]" }' >"$work/10mb.json"
prose 30000000 >"$work/30mb.txt"
prose 50000000 >"$work/50mb.txt"

rss() { awk '/^VmRSS:/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }
peak() { awk '/^VmHWM:/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }
# Actions run on threads named tavlets-action.
working() { grep -qx tavlets-action /proc/"$pid"/task/*/comm 2>/dev/null; }
idle_again() { ! working; }

copy_file() {
  xclip -selection clipboard -i "$1" >/dev/null 2>&1
  sleep 0.3
}
# Opens the panel, steps right `moves` times, runs the action and waits until its worker thread
# has finished and the result is drawn.
run_action() {
  local moves=$1
  xdotool key alt+space
  wait_until 30 panel_visible || { echo "the panel did not open" >&2; exit 1; }
  sleep 0.5
  for _ in $(seq "$moves"); do xdotool key Right; done
  local t0; t0=$(now_ms)
  xdotool key Return
  wait_until 2 working
  wait_until 120 idle_again || { echo "the action did not finish" >&2; exit 1; }
  run_ms=$(($(now_ms) - t0))
  sleep 0.5
}
close_and_report() {
  local label=$1
  xdotool key Escape
  wait_until 10 panel_hidden
  sleep 0.2
  local after; after=$(rss)
  sleep 2.8
  local later; later=$(rss)
  printf '%-40s %6s ms   peak %6s MB   after hide %6s MB   3 s later %6s MB\n' "$label" "$run_ms" "$(peak)" "$after" "$later"
  echo "$later" >>"$work/later"
}

start_tavlets
pid=$tavlets_pid
sleep 3
idle=$(rss)
limit=$(awk -v i="$idle" 'BEGIN { a = 1.5 * i; b = i + 15; printf "%.1f", (a > b ? a : b) }')
echo "idle RSS: $idle MB (target 3 s after hiding: at most $limit MB)"

reset_peak() { echo 5 >"/proc/$pid/clear_refs" 2>/dev/null; }

copy_file "$work/10mb.json"
reset_peak
run_action 0  # Format as JSON
close_and_report "Format as JSON, 10 MB"

# A cheap action first: its peak is mostly what reading the clipboard costs.
copy_file "$work/50mb.txt"
reset_peak
run_action 7  # Count words
close_and_report "Count words, 50 MB"

copy_file "$work/50mb.txt"
reset_peak
run_action 0  # 1-sentence TL;DR
close_and_report "1-sentence TL;DR, 50 MB"

copy_file "$work/50mb.txt"
reset_peak
run_action 1  # Action items
close_and_report "Action items, 50 MB"

copy_file "$work/10mb.json"
run_action 0
xdotool key Escape
copy_file "$work/30mb.txt"
reset_peak
run_action 0
close_and_report "Format 10 MB JSON, then TL;DR on 30 MB"

worst=$(sort -n "$work/later" | tail -n 1)
awk -v w="$worst" -v l="$limit" 'BEGIN { print (w <= l ? "memory target met" : "memory target MISSED") " (worst " w " MB, limit " l " MB)" }'

# Escape on a busy panel, then a small round trip.
copy_file "$work/30mb.txt"
xdotool key alt+space
wait_until 30 panel_visible
sleep 0.5
xdotool key Return
sleep 0.2
t0=$(now_ms)
xdotool key Escape
wait_until 10 panel_hidden
t1=$(now_ms)
wait_until 30 idle_again
t2=$(now_ms)
echo "Escape 0.2 s into TL;DR on 30 MB: panel gone after $((t1 - t0)) ms, the run stopped after $((t2 - t0)) ms"
printf 'small text' | xclip -selection clipboard -i
sleep 0.1
t0=$(now_ms)
xdotool key alt+space
wait_until 10 panel_visible
xdotool key Return
xdotool key Return
wait_until 10 clipboard_is "SMALL TEXT"
t1=$(now_ms)
echo "UPPERCASE round trip right after: $((t1 - t0)) ms"
