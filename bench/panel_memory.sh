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
for tool in Xvfb xdotool xclip awk; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

wait_until() {
  local tries=$(($1 * 50))
  shift
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -le 0 ] && return 1
    sleep 0.02
  done
}

display=
for n in $(shuf -i 100-999 -n 30); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  if wait_until 10 test -S "/tmp/.X11-unix/X$n"; then pids+=("$xvfb"); display=$n; break; fi
  kill "$xvfb" 2>/dev/null
done
[ -n "$display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"
unset WAYLAND_DISPLAY
export XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb TMPDIR="$work" HOME="$work/home"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME" && mkdir -p -m 700 "$XDG_RUNTIME_DIR"

# Test data: JSON of about 10 MB, long prose of 30 and 50 MB.
awk 'BEGIN { printf "["; for (i = 0; i < 95000; i++) printf "%s{\"id\":%d,\"name\":\"item %d\",\"tags\":[\"a\",\"b\"],\"price\":%d.5,\"ok\":true}", (i ? "," : ""), i, i, i % 977; printf "]" }' >"$work/10mb.json"
prose() {
  awk -v bytes="$1" 'BEGIN {
    split("Alice Bob Carol Dave Erin Frank", who, " ")
    split("report budget roadmap release notes survey", what, " ")
    split("Monday Tuesday Wednesday Thursday Friday", day, " ")
    for (i = 0; n < bytes; i++) {
      s = sprintf("%s will send the %s %d to the team by %s. We talked about the %s and agreed on next steps for week %d.\n",
                  who[i % 6 + 1], what[i % 6 + 1], i, day[i % 5 + 1], what[(i + 3) % 6 + 1], i % 52)
      printf "%s", s; n += length(s)
    }
  }'
}
prose 30000000 >"$work/30mb.txt"
prose 50000000 >"$work/50mb.txt"

rss() { awk '/^VmRSS:/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }
peak() { awk '/^VmHWM:/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }
# Actions run on threads named tavlets-action.
working() { grep -qx tavlets-action /proc/"$pid"/task/*/comm 2>/dev/null; }
idle_again() { ! working; }
clipboard_is() { [ "$(xclip -selection clipboard -o 2>/dev/null)" == "$1" ]; }
panel_visible() { xdotool search --onlyvisible --classname '^tavlets$'; }
panel_hidden() { ! panel_visible; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

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

"$tavlets" 2>"$work/tavlets.log" &
pid=$!
pids+=("$pid")
wait_until 10 test -S "$work/tavlets-$(id -u)-_$display" || { echo "tavlets did not start" >&2; exit 1; }
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
