#!/usr/bin/env bash
# End-to-end cases about where the panel lands and what assistive technology reads from it.
#   look_e2e.sh CASE TAVLETS X11_PROBE
case_name=$1
tavlets=$2
probe=$3
case "$case_name" in
small_screen_*) e2e_screen=800x600x24 ;;
esac
source "$(dirname "$0")/e2e_lib.sh"

# A window manager that reparents and places windows itself, as desktops do: openbox, with
# settings and a menu of this case's own, so it starts the same whatever the system ships or
# lacks, and without a binding for Alt+Space.
start_openbox() {
  command -v openbox >/dev/null 2>&1 || { echo "skipped: openbox is not installed"; exit 77; }
  command -v xprop >/dev/null 2>&1 || fail "xprop (x11-utils) is missing"
  cat >"$work/menu.xml" <<'MENU'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_menu xmlns="http://openbox.org/3.4/menu"><menu id="root-menu" label="Openbox"/></openbox_menu>
MENU
  cat >"$work/rc.xml" <<RC
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy><center>yes</center><monitor>Primary</monitor></placement>
  <desktops><number>1</number></desktops>
  <keyboard/>
  <mouse><context name="Client"><mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind></context></mouse>
  <menu><file>$work/menu.xml</file></menu>
</openbox_config>
RC
  XDG_CONFIG_HOME="$work/config" openbox --sm-disable --config-file "$work/rc.xml" >"$work/openbox.log" 2>&1 &
  pids+=($!)
  wait_until 10 wm_running || fail "openbox did not come up: $(cat "$work/openbox.log")"
}
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

# "X Y WIDTH HEIGHT" of the shown panel, in screen pixels.
panel_geometry() {
  local id
  id=$(panel_window) || return 1
  eval "$(xdotool getwindowgeometry --shell "$id")"
  echo "$X $Y $WIDTH $HEIGHT"
}

# Opens the panel and waits until it is shown and its geometry has stopped changing.
open_panel() {
  xdotool key alt+space
  wait_until 10 panel_visible || fail "Alt+Space did not open the panel"
  settled_geometry
}
settled_geometry() {
  local last= now i
  for i in $(seq 100); do
    now=$(panel_geometry) || { sleep 0.02; continue; }
    [ "$now" == "$last" ] && { echo "$now"; return 0; }
    last=$now
    sleep 0.03
  done
  fail "the panel's geometry did not settle: $last"
}

# A private session bus with the accessibility bus beside it, and a screen reader's request to
# turn accessibility on (what Orca does when it starts), so the app's accessibility bridge comes up
# as it would for a blind user. Debian's python3 carries pyatspi, the client used to look.
start_accessibility() {
  [ -x /usr/libexec/at-spi-bus-launcher ] && command -v dbus-daemon >/dev/null 2>&1 &&
    /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "skipped: no AT-SPI stack"; exit 77; }
  dbus-daemon --session --nofork --print-address=3 3>"$work/bus" 2>"$work/dbus.log" &
  pids+=($!)
  wait_until 10 test -s "$work/bus" || fail "the session bus did not start"
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
  export DBUS_SESSION_BUS_ADDRESS
  # Settings stay in memory: nothing of the test reaches the user's desktop settings.
  GSETTINGS_BACKEND=memory /usr/libexec/at-spi-bus-launcher --launch-immediately 2>"$work/atspi.log" &
  launcher=$!
  pids+=("$launcher")
  wait_until 10 dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress ||
    fail "the accessibility bus did not start"
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
    string:org.a11y.Status string:ScreenReaderEnabled variant:boolean:true >/dev/null ||
    fail "could not turn the screen reader flag on"
}
# The accessibility bus and the registry are the launcher's children: stop them with it.
adopt_accessibility_children() {
  local child
  for child in $(pgrep -P "$launcher"); do pids+=("$child" $(pgrep -P "$child")); done
}
a11y() { /usr/bin/python3 "$(dirname "$0")/a11y_probe.py" "$@" 2>>"$work/a11y.log"; }
# Asserts that the tree holds a line (exact, tab-separated).
seen() { grep -qxF -- "$1" <<<"$tree" || fail "$2: no line '$1' in:"$'\n'"$tree"; }

case "$case_name" in
openbox_placement)
  # Thirty opens over three starts: the first open after a start maps the window for the first time.
  start_openbox
  set_clipboard '{"a":[1,2],"b":{}}'
  read -r sw sh < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
  for start in 1 2 3; do
    start_tavlets
    for round in $(seq 10); do
      read -r x y w h < <(open_panel)
      want_x=$(( (sw - w + 1) / 2 ))
      want_y=$(( (sh - h + 1) / 2 ))
      # Halves round away from zero; either neighbour of an odd difference is centred.
      [ $(( x - want_x )) -ge -1 ] && [ $(( x - want_x )) -le 0 ] && [ $(( y - want_y )) -ge -1 ] &&
        [ $(( y - want_y )) -le 0 ] ||
        fail "start $start, open $round: panel at $x,$y (${w}x$h), not centred on ${sw}x$sh"
      xdotool key Escape
      wait_until 10 panel_hidden || fail "Escape did not close the panel (start $start, open $round)"
    done
    kill "$tavlets_pid"
    wait "$tavlets_pid" 2>/dev/null
  done
  ;;

small_screen_scale1 | small_screen_scale2)
  export QT_SCALE_FACTOR=${case_name##*scale}
  start_openbox
  set_clipboard "$(long_json)"
  start_tavlets
  inside() {
    local x y w h
    read -r x y w h <<<"$1"
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 800 ] && [ $((y + h)) -le 600 ] && [ "$w" -lt 800 ] ||
      fail "$2: the panel at $x,$y (${w}x$h) leaves the 800x600 screen"
  }
  inside "$(open_panel)" "opened"
  xdotool key Return  # the formatted JSON: far taller than the screen
  sleep 0.3
  inside "$(settled_geometry)" "with a result"
  xdotool key Left  # the last action
  sleep 0.3
  inside "$(settled_geometry)" "on the last action"
  ;;

a11y_panel)
  start_accessibility
  export XDG_CONFIG_HOME="$work/config"
  set_clipboard '{"name": "Ada", "n": [1, 2]}'
  start_tavlets
  xdotool key alt+space
  wait_until 10 panel_visible || fail "Alt+Space did not open the panel"
  adopt_accessibility_children
  tab=$'\t'
  tree=$(a11y tree)
  seen "label${tab}JSON" "the header's kind"
  seen "label${tab}28 characters" "the character count"
  seen "preview${tab}{\"name\": \"Ada\", \"n\": [1, 2]}" "the preview"
  seen "label${tab}← → choose an action   ·   ↩ run   ·   esc close" "the footer hint"
  buttons=$(awk -F '\t' '$1 == "button" { print $2 }' <<<"$tree" | paste -sd '|')
  [ "$buttons" == "Format as JSON|Minify|Find syntax error|UPPERCASE|lowercase|Title Case|Sentence case|Trim whitespace|Count words|URL decode|Base64 encode|Base64 decode" ] ||
    fail "the buttons read: $buttons"
  seen "button${tab}Format as JSON${tab}selected,focused" "the first action selected"
  [ "$(grep -c 'selected' <<<"$tree")" -eq 1 ] || fail "more than one action is selected:"$'\n'"$tree"

  heard=$(a11y announce Right)
  grep -qxF "focus${tab}Minify" <<<"$heard" || fail "moving right was not announced; heard: $heard"
  tree=$(a11y tree)
  seen "button${tab}Minify${tab}selected,focused" "the selection after Right"
  seen "button${tab}Format as JSON${tab}" "the first action no longer selected"

  heard=$(a11y announce Return)
  grep -qxF "focus${tab}Result" <<<"$heard" || fail "the result was not announced; heard: $heard"
  tree=$(a11y tree)
  seen "result${tab}Result${tab}{\"name\":\"Ada\",\"n\":[1,2]}" "the result text"
  seen "label${tab}↩ copy result & close   ·   ← → pick another action   ·   esc close" "the footer after a result"

  # An error reads as one.
  xdotool key Escape
  wait_until 10 panel_hidden || fail "Escape did not close the panel"
  set_clipboard '{"name": }'
  xdotool key alt+space
  wait_until 10 panel_visible || fail "Alt+Space did not open the panel again"
  xdotool key Return
  wait_until 5 eval 'a11y tree | grep -q "^result"' || fail "no result for the broken JSON"
  tree=$(a11y tree)
  grep -q "^result${tab}Error${tab}." <<<"$tree" || fail "the failure does not read as an error:"$'\n'"$tree"
  ;;

*)
  fail "unknown case"
  ;;
esac
echo "ok: $case_name"
