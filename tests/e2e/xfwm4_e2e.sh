#!/usr/bin/env bash
# Xfce's window manager, which holds Alt+Space for its window menu, with its settings daemon on a
# private session bus as in an Xfce session.
#   xfwm4_e2e.sh CASE TAVLETS X11_PROBE DATA_DIR
case_name=$1
tavlets=$2
probe=$3
data=$4
source "$(dirname "$0")/e2e_lib.sh"
xfconfd=$(ls /usr/lib/*/xfce4/xfconf/xfconfd 2>/dev/null | head -n 1)
command -v xfwm4 >/dev/null 2>&1 || { echo "skipped: xfwm4 is not installed"; exit 77; }
[ -n "$xfconfd" ] || { echo "skipped: xfconfd is not installed"; exit 77; }

# xfwm4 takes its key bindings from xfconfd; without it, it binds none.
start_private_bus "$data"
"$xfconfd" >"$work/xfconfd.log" 2>&1 &
pids+=($!)
xfwm4 --compositor=off >"$work/xfwm4.log" 2>&1 &
pids+=($!)
wait_until 20 alt_space_held_steadily || fail "xfwm4 did not take Alt+Space"

# The window's centre within 2 pixels of the 1280x800 screen's.
centred() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  local dx=$((X + WIDTH / 2 - 640)) dy=$((Y + HEIGHT / 2 - 400))
  [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ]
}

case "$case_name" in
taken_round_trip)
  set_clipboard '{"a":[1,2]}'
  start_tavlets
  wait_until 10 grep -q 'Alt+Space is already used by another app' "$work/tavlets.log" \
    || fail "the refusal of Alt+Space was not reported"
  # Run again, it opens the panel: in front, focused, centred on the screen.
  second_launch
  wait_until 10 panel_visible || fail "a second launch did not open the panel"
  id=$(panel_window)
  wait_until 5 sh -c "[ \"\$(xdotool getactivewindow)\" = $id ]" || fail "the panel did not get the focus"
  wait_until 5 centred "$id" || fail "the panel is not centred: $(xdotool getwindowgeometry "$id")"
  xdotool key Return
  xdotool key Return
  wait_until 10 clipboard_is $'{\n  "a": [\n    1,\n    2\n  ]\n}' || fail "the clipboard holds: $(clipboard)"
  wait_until 10 panel_hidden || fail "the panel stayed open after copying"
  ;;
*) fail "unknown case" ;;
esac
