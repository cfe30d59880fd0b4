# Shared set-up for end-to-end cases, sourced by each case script after it has set case_name,
# tavlets and probe: a virtual X display of its own with the real X11 clipboard (xclip) and real key
# presses (xdotool), a private runtime folder, and helpers to start tavlets and wait on conditions.
# Exits 77 (skipped) when the X tools are missing. A case may set e2e_screen (WIDTHxHEIGHTxDEPTH).
set -u

for tool in Xvfb xdotool xclip; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done

source "$(dirname "${BASH_SOURCE[0]}")/e2e_base.sh"

# A display of our own, away from the low numbers people and other tools use. No reset when the
# last client leaves: a client connecting during a reset is turned away.
display=
for n in $(shuf -i 100-999 -n 30); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 "${e2e_screen:-1280x800x24}" -nolisten tcp -noreset 2>"$work/xvfb.log" &
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
# No config of the person running the tests.
export XDG_CONFIG_HOME="$work/config"
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket="$XDG_RUNTIME_DIR/tavlets-$(id -u)-_$display"

# The shown panel's window. A tray icon and Settings have the same class; the title tells them apart.
panel_window() {
  local id
  for id in $(xdotool search --onlyvisible --classname '^tavlets$' 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" == Tavlets ] && { echo "$id"; return 0; }
  done
  return 1
}
panel_visible() { panel_window >/dev/null; }
panel_hidden() { ! panel_visible; }
# Bounded: an owner that never answers must not hang the case.
clipboard() { timeout 5 xclip -selection clipboard -o 2>/dev/null; }
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

# Long prose, varied enough to make real work for the text-mining actions.
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

# JSON of forty users: a result far taller than any screen once formatted.
long_json() {
  local i out='{"users": ['
  for i in $(seq 40); do out+="{\"id\": $i, \"name\": \"User $i\", \"email\": \"user$i@example.com\"},"; done
  printf '%s{"id": 0}]}' "$out"
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

# openbox with the settings the system ships, which hold Alt+Space for the window menu. openbox
# grabs its keys again once the keyboard mapping settles at start: this waits until it holds
# Alt+Space steadily, or tavlets could slip in between.
start_stock_openbox() {
  command -v openbox >/dev/null 2>&1 || { echo "skipped: openbox is not installed"; exit 77; }
  local attempt pid
  # On a loaded machine openbox now and then fails to connect at its first try.
  for attempt in 1 2 3; do
    openbox >>"$work/openbox.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    wait_until 10 openbox_running && break
    kill "$pid" 2>/dev/null
  done
  openbox_running || fail "openbox did not start"
  wait_until 10 alt_space_held_steadily || fail "openbox did not take Alt+Space"
}
openbox_running() { xdotool search --class openbox; }
alt_space_held() { ! "$probe" free; }
alt_space_held_steadily() { alt_space_held && stays alt_space_held; }

# A session bus of this case's own that starts no installed service: only what the case starts
# answers on it. $1 is the tests' data folder.
start_private_bus() {
  command -v dbus-daemon >/dev/null 2>&1 || { echo "skipped: dbus-daemon is not installed"; exit 77; }
  dbus-daemon --config-file="$1/shell/private_bus.conf" --nofork --print-address=3 3>"$work/bus" \
    2>"$work/dbus.log" &
  pids+=($!)
  wait_until 10 test -s "$work/bus" || fail "the private session bus did not start"
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
  export DBUS_SESSION_BUS_ADDRESS
}
