#!/usr/bin/env bash
# One end-to-end case against the built tavlets binary.
#   run_e2e.sh CASE TAVLETS X11_PROBE
case_name=$1
tavlets=$2
probe=$3
source "$(dirname "$0")/e2e_lib.sh"

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
  # A command run as an action sees the session as the user started it: the app's own choice of
  # X11 stays out of its environment.
  mkdir -p "$XDG_CONFIG_HOME/tavlets"
  printf '[[action]]\ntitle = "Environment"\nrun = ["env"]\n' >"$XDG_CONFIG_HOME/tavlets/actions.toml"
  set_clipboard 'from wayland'
  start_tavlets
  wait_until 10 grep -q "global shortcuts aren't available" "$work/tavlets.log" || fail "no word about the shortcut"
  "$probe" free || fail "tavlets grabbed Alt+Space in a Wayland session"
  second_launch
  wait_until 10 panel_visible || fail "a second launch did not open the panel"
  xdotool key Escape
  wait_until 10 panel_hidden || fail "Escape did not close the panel"
  second_launch
  wait_until 10 panel_visible || fail "a second launch did not open the panel again"
  # The user's action is the last one: Up wraps to it.
  xdotool key Up Return
  sleep 0.5
  xdotool key Return
  wait_until 10 eval "clipboard | grep -qx 'XDG_SESSION_TYPE=wayland'" || fail "the action's environment was not copied: $(clipboard | head -c 300)"
  ! clipboard | grep -q '^QT_QPA_PLATFORM=' || fail "the app's platform choice reached the command"
  ;;

*)
  fail "unknown case"
  ;;
esac
echo "ok: $case_name"
