#!/usr/bin/env bash
# Measures the app shell on a virtual X display, side by side with CopyQ when it is installed:
#   - resident memory (VmRSS) of each process a few seconds after start, before any use;
#   - for Tavlets, the time from the Alt+Space key press (sent through XTest) to the panel window
#     being mapped, cold (first open) and warm.
# Usage: bench/measure_shell.sh [BUILD_DIR]   (default build/release; needs tavlets and hot_key_map)
set -u
cd "$(dirname "$0")/.."
build=${1:-build/release}
tavlets="$build/app/tavlets"
probe="$build/bench/app/hot_key_map"
for f in "$tavlets" "$probe"; do
  [ -x "$f" ] || { echo "missing $f: build the tavlets and hot_key_map targets in $build" >&2; exit 1; }
done
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done

# The work folder, clean-up of what was started, and waiting by the clock, as the end-to-end
# cases have them.
source tests/e2e/e2e_base.sh

# Sets display to a fresh virtual display's number.
start_display() {
  local n
  for n in $(shuf -i 100-999 -n 30); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    local pid=$!
    if wait_until 10 test -S "/tmp/.X11-unix/X$n"; then
      pids+=("$pid")
      display=$n
      return 0
    fi
    kill "$pid" 2>/dev/null
  done
  return 1
}

rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

common_env() {
  unset WAYLAND_DISPLAY
  export XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb TMPDIR="$work" HOME="$work/home"
  export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
  mkdir -p "$HOME" && mkdir -p -m 700 "$XDG_RUNTIME_DIR"
}

settle=3

# Tavlets.
start_display || { echo "Xvfb did not start" >&2; exit 1; }
(
  export DISPLAY=":$display"
  common_env
  "$tavlets" 2>"$work/tavlets.log" &
  pid=$!
  wait_until 10 test -S "$XDG_RUNTIME_DIR/tavlets-$(id -u)-_$display" || { echo "tavlets did not start" >&2; exit 1; }
  sleep "$settle"
  echo "tavlets idle RSS: $(rss_kb $pid) kB"

  printf '{"a":[1,2],"b":{}}' | xclip -selection clipboard -i >/dev/null 2>&1
  times=()
  for i in $(seq 15); do
    t=$("$probe" tavlets) || { echo "the panel did not open" >&2; exit 1; }
    times+=("$t")
    xdotool key Escape
    wait_until 5 sh -c '! xdotool search --onlyvisible --classname "^tavlets$"'
    sleep 0.2
  done
  echo "tavlets hot key to panel mapped: first ${times[0]} ms, then median $(printf '%s\n' "${times[@]:1}" | median) ms, max $(printf '%s\n' "${times[@]:1}" | sort -n | tail -1) ms"
  echo "tavlets RSS after ${#times[@]} opens: $(rss_kb $pid) kB"
  kill "$pid"
)

# CopyQ, started the same way, for comparison.
if command -v copyq >/dev/null; then
  start_display || { echo "Xvfb did not start" >&2; exit 1; }
  (
    export DISPLAY=":$display"
    common_env
    copyq >/dev/null 2>"$work/copyq.log" </dev/null &
    pid=$!
    sleep "$settle"
    kill -0 "$pid" 2>/dev/null || { echo "copyq exited" >&2; exit 1; }
    echo "copyq idle RSS: $(rss_kb $pid) kB ($(copyq --version 2>/dev/null | head -1))"
    kill "$pid"
  )
else
  echo "copyq is not installed: no comparison"
fi
