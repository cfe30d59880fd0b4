#!/usr/bin/env bash
# End-to-end cases for choosing the shortcut, under openbox in its default configuration, which
# holds Alt+Space for its window menu.
#   shortcut_e2e.sh CASE TAVLETS X11_PROBE
case_name=$1
tavlets=$2
probe=$3
source "$(dirname "$0")/e2e_lib.sh"

# A configuration home of this case's own: openbox finds no rc.xml there and uses the system's
# default one; tavlets keeps its shortcut there.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"
conf="$XDG_CONFIG_HOME/tavlets/tavlets.conf"

settings_visible() { xdotool search --onlyvisible --name '^Tavlets Settings$'; }

start_stock_openbox

case "$case_name" in
choose_shortcut)
  set_clipboard 'chosen shortcut'
  start_tavlets
  wait_until 10 grep -q 'Alt+Space is already used by another app' "$work/tavlets.log" \
    || fail "the refusal of Alt+Space was not reported"
  grep -q 'tavlets --settings' "$work/tavlets.log" || fail "the report does not say where to choose another"

  # Settings from the command line, in the running instance.
  timeout 10 "$tavlets" --settings >>"$work/second.log" 2>&1 || fail "tavlets --settings failed or hung"
  wait_until 10 settings_visible || fail "tavlets --settings did not open the Settings window"
  window=$(settings_visible | head -n 1)
  xdotool windowactivate --sync "$window" 2>/dev/null || true
  wait_until 10 test "$(xdotool getactivewindow)" == "$window" || fail "the Settings window did not get the focus"
  # The recorder has the focus: Space presses it, then the new combination is typed into it.
  xdotool key space
  sleep 0.3
  xdotool key ctrl+alt+space
  wait_until 10 grep -qx 'shortcut=Ctrl+Alt+Space' "$conf" || fail "the new shortcut was not kept (file: $(cat "$conf" 2>/dev/null))"
  xdotool key Escape
  wait_until 10 panel_hidden || fail "Escape did not close the Settings window"

  xdotool key ctrl+alt+space
  wait_until 10 panel_visible || fail "Ctrl+Alt+Space did not open the panel"
  xdotool key Escape
  wait_until 10 panel_hidden || fail "Escape did not close the panel"

  # After a restart the choice is still in force, and nothing is refused.
  kill "$tavlets_pid"
  wait "$tavlets_pid" 2>/dev/null
  # Its socket file stays behind; without it, "up" below means the new one listens, which it does
  # only after its grab.
  rm -f "$socket"
  : >"$work/tavlets.log"
  start_tavlets
  xdotool key ctrl+alt+space
  wait_until 10 panel_visible || fail "Ctrl+Alt+Space did not open the panel after a restart"
  xdotool key ctrl+alt+space
  wait_until 10 panel_hidden || fail "Ctrl+Alt+Space did not close the panel after a restart"
  ! grep -q 'already used' "$work/tavlets.log" || fail "a refusal was reported after the restart"
  ;;

*)
  fail "unknown case"
  ;;
esac
echo "ok: $case_name"
