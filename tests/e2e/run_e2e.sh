#!/usr/bin/env bash
# One end-to-end case against the built tavlets binary, on a virtual X display of its own with the
# real X11 clipboard (xclip) and real key presses (xdotool).
#   run_e2e.sh CASE TAVLETS X11_PROBE
# Exits 77 (skipped) when the X tools are missing.
set -u

case_name=$1
tavlets=$2
probe=$3

for tool in Xvfb xdotool xclip; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($case_name): $*" >&2
  for log in "$work"/*.log; do [ -s "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }; done
  exit 1
}

# Polls a command every 20 ms until it succeeds or the seconds run out.
wait_until() {
  local seconds=$1
  shift
  local tries=$((seconds * 50))
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -le 0 ] && return 1
    sleep 0.02
  done
}

# A display of our own, away from the low numbers people and other tools use.
display=
for n in $(shuf -i 100-999 -n 30); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp 2>"$work/xvfb.log" &
  xvfb_pid=$!
  if wait_until 10 test -S "/tmp/.X11-unix/X$n" && kill -0 "$xvfb_pid" 2>/dev/null; then
    pids+=("$xvfb_pid")
    display=$n
    break
  fi
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
done
[ -n "$display" ] || fail "Xvfb did not start"
export DISPLAY=":$display"
wait_until 10 xdotool getmouselocation || fail "display $DISPLAY does not answer"

# A plain X11 session; the instance lock and socket go to this case's own folder.
unset WAYLAND_DISPLAY
export XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb TMPDIR="$work"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket="$work/tavlets-$(id -u)-_$display"

panel_visible() { xdotool search --onlyvisible --classname '^tavlets$'; }
panel_hidden() { ! panel_visible; }
clipboard() { xclip -selection clipboard -o 2>/dev/null; }
# The x keeps trailing line ends, which $(...) would drop.
clipboard_is() { local got; got=$(clipboard; printf x); [ "$got" == "${1}x" ]; }
set_clipboard() {
  printf '%s' "$1" | xclip -selection clipboard -i
  wait_until 10 clipboard_is "$1" || fail "could not set the clipboard (it holds: $(clipboard))"
}
# Asserts that the condition stays true for a short while (used for "nothing happens").
stays() {
  local i
  for i in $(seq 15); do "$@" >/dev/null 2>&1 || return 1; sleep 0.02; done
}

lock_held_by() { [ "$(head -n 1 "$socket.lock" 2>/dev/null)" == "$1" ]; }

start_tavlets() {
  "$tavlets" >>"$work/tavlets.log" 2>&1 &
  tavlets_pid=$!
  pids+=("$tavlets_pid")
  # Up means: holds the instance lock (a socket file may be a dead one's) and listens.
  wait_until 10 lock_held_by "$tavlets_pid" || fail "tavlets did not take the instance lock"
  wait_until 10 test -S "$socket" || fail "tavlets did not come up"
  kill -0 "$tavlets_pid" 2>/dev/null || fail "tavlets exited at start"
  panel_hidden || fail "a window is shown at start"
}

second_launch() {
  timeout 10 "$tavlets" >>"$work/second.log" 2>&1 || fail "the second launch failed or hung"
}

case "$case_name" in
json_format)
  set_clipboard '{"a":[1,2],"b":{}}'
  start_tavlets
  xdotool key alt+space
  wait_until 10 panel_visible || fail "Alt+Space did not open the panel"
  xdotool key Return
  xdotool key Return
  expected=$'{\n  "a": [\n    1,\n    2\n  ],\n  "b": {}\n}'
  wait_until 10 clipboard_is "$expected" || fail "clipboard holds: $(clipboard)"
  wait_until 10 panel_hidden || fail "the panel stayed open after copying"
  ;;

escape_and_toggle)
  set_clipboard 'hello world'
  start_tavlets
  xdotool key alt+space
  wait_until 10 panel_visible || fail "Alt+Space did not open the panel"
  xdotool key Escape
  wait_until 10 panel_hidden || fail "Escape did not close the panel"
  clipboard_is 'hello world' || fail "Escape changed the clipboard: $(clipboard)"
  for round in 1 2; do
    xdotool key alt+space
    wait_until 10 panel_visible || fail "Alt+Space did not open the panel (round $round)"
    xdotool key alt+space
    wait_until 10 panel_hidden || fail "Alt+Space did not close the panel (round $round)"
  done
  clipboard_is 'hello world' || fail "toggling changed the clipboard: $(clipboard)"
  ;;

hot_key_taken)
  "$probe" grab >"$work/grabber.out" 2>"$work/grabber.log" &
  pids+=($!)
  wait_until 10 grep -q ready "$work/grabber.out" || fail "the grabbing client did not get Alt+Space"
  set_clipboard 'some text'
  start_tavlets
  wait_until 10 grep -q 'Alt+Space is already used by another app' "$work/tavlets.log" \
    || fail "the refusal was not reported"
  xdotool key alt+space
  stays panel_hidden || fail "Alt+Space reached tavlets although another client holds it"
  second_launch
  wait_until 10 panel_visible || fail "a second launch did not open the panel"
  second_launch
  wait_until 10 panel_hidden || fail "a third launch did not close the panel"
  kill -0 "$tavlets_pid" || fail "the running tavlets went away"
  ;;

blank_clipboard)
  start_tavlets
  # Nothing on the clipboard at all, then only white space.
  for blank in none $' \n\t  \n'; do
    [ "$blank" != none ] && set_clipboard "$blank"
    xdotool key alt+space
    wait_until 10 panel_visible || fail "Alt+Space did not open the panel on a blank clipboard"
    xdotool key Return
    stays panel_visible || fail "Return on the empty state closed the panel"
    if [ "$blank" != none ]; then
      clipboard_is "$blank" || fail "Return on the empty state changed the clipboard"
    else
      [ -z "$(clipboard)" ] || fail "Return on the empty state wrote the clipboard: $(clipboard)"
    fi
    xdotool key Escape
    wait_until 10 panel_hidden || fail "Escape did not close the empty panel"
  done
  kill -0 "$tavlets_pid" || fail "tavlets went away"
  ;;

stale_instance)
  start_tavlets
  kill -9 "$tavlets_pid"
  wait "$tavlets_pid" 2>/dev/null
  test -S "$socket" || fail "expected the killed instance to leave its socket behind"
  # The X server drops the dead client's grab once it notices the closed connection.
  wait_until 10 "$probe" free || fail "the killed instance's grab stayed"
  set_clipboard 'after a crash'
  # The old socket file is still there, so only an answer shows that the new instance listens; it
  # grabs Alt+Space before it listens.
  start_tavlets
  second_launch
  wait_until 10 panel_visible || fail "a second launch did not reach the restarted instance"
  xdotool key alt+space
  wait_until 10 panel_hidden || fail "Alt+Space did not close the panel after a restart"
  ;;

wayland_session)
  # A Wayland session with XWayland: no global grab is tried, the panel still runs on X11 and a
  # second launch (what a desktop shortcut would run) toggles it.
  export XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-tavlets-test
  unset QT_QPA_PLATFORM
  set_clipboard 'from wayland'
  start_tavlets
  wait_until 10 grep -q "global shortcuts aren't available" "$work/tavlets.log" || fail "no word about the shortcut"
  "$probe" free || fail "tavlets grabbed Alt+Space in a Wayland session"
  second_launch
  wait_until 10 panel_visible || fail "a second launch did not open the panel"
  xdotool key Escape
  wait_until 10 panel_hidden || fail "Escape did not close the panel"
  ;;

*)
  fail "unknown case"
  ;;
esac
echo "ok: $case_name"
