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

# A window manager that reparents and places windows itself, as desktops do: openbox with its
# stock settings, less its own Alt+Space binding (the window menu).
start_openbox() {
  command -v openbox >/dev/null 2>&1 || { echo "skipped: openbox is not installed"; exit 77; }
  local stock=/etc/xdg/openbox/rc.xml
  [ -r "$stock" ] || { echo "skipped: no stock openbox settings"; exit 77; }
  sed '/<keybind key="A-space">/,/<\/keybind>/d' "$stock" >"$work/rc.xml"
  XDG_CONFIG_HOME="$work/config" openbox --sm-disable --config-file "$work/rc.xml" >"$work/openbox.log" 2>&1 &
  pids+=($!)
  wait_until 10 wm_running || fail "openbox did not come up"
}
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

# "X Y WIDTH HEIGHT" of the shown panel, in screen pixels.
panel_geometry() {
  local id
  id=$(xdotool search --onlyvisible --classname '^tavlets$' | head -n 1)
  [ -n "$id" ] || return 1
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

long_json() {
  local i out='{"users": ['
  for i in $(seq 40); do out+="{\"id\": $i, \"name\": \"User $i\", \"email\": \"user$i@example.com\"},"; done
  printf '%s{"id": 0}]}' "$out"
}

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

*)
  fail "unknown case"
  ;;
esac
echo "ok: $case_name"
