#!/usr/bin/env bash
# End-to-end cases for actions that take their time: the panel keeps answering while one works.
#   run_busy_e2e.sh CASE TAVLETS X11_PROBE
case_name=$1
tavlets=$2
probe=$3
source "$(dirname "$0")/e2e_lib.sh"

# Actions run on threads of this name.
action_running() { grep -qx tavlets-action /proc/"$tavlets_pid"/task/*/comm 2>/dev/null; }
panel_height() {
  xdotool search --onlyvisible --classname '^tavlets$' getwindowgeometry 2>/dev/null \
    | awk '/Geometry:/ { split($2, size, "x"); print size[2]; exit }'
}
taller_than() { local h; h=$(panel_height); [ -n "$h" ] && [ "$h" -gt "$1" ]; }

case "$case_name" in
busy_escape)
  prose 40000000 >"$work/big.txt"
  xclip -selection clipboard -i "$work/big.txt"
  wait_until 10 xclip -selection clipboard -o -t TARGETS || fail "could not set the clipboard"
  start_tavlets
  xdotool key alt+space
  wait_until 30 panel_visible || fail "Alt+Space did not open the panel"
  # Return on the first action, "1-sentence TL;DR"; while the text is still being read the key may
  # find nothing to run yet, so it is pressed again until a run starts.
  started=
  for _ in $(seq 40); do
    before=$(panel_height)
    xdotool key Return
    if wait_until 1 action_running; then started=1; break; fi
  done
  [ -n "$started" ] || fail "Return did not start the action"
  wait_until 2 taller_than "${before:-0}" || fail "no busy state while the action works"
  action_running || fail "the action finished too soon to test a busy panel"
  t0=$(now_ms)
  xdotool key Escape
  wait_until 5 panel_hidden || fail "Escape did not close the busy panel"
  escape_ms=$(($(now_ms) - t0))
  echo "Escape on the busy panel: gone after $escape_ms ms"
  [ "$escape_ms" -le 300 ] || fail "the busy panel took $escape_ms ms to close"
  [ "$(clipboard | head -c 30)" == "$(head -c 30 "$work/big.txt")" ] || fail "Escape changed the clipboard"

  # Right after: a small UPPERCASE round trip.
  printf 'small text' | xclip -selection clipboard -i
  wait_until 10 clipboard_is 'small text' || fail "could not set the clipboard"
  t0=$(now_ms)
  xdotool key alt+space
  wait_until 5 panel_visible || fail "Alt+Space did not open the panel after the busy one"
  sleep 0.2
  before=$(panel_height)
  xdotool key Return
  wait_until 2 taller_than "${before:-0}" || fail "UPPERCASE showed no result"
  xdotool key Return
  wait_until 5 clipboard_is 'SMALL TEXT' || fail "the round trip did not copy: $(clipboard)"
  trip_ms=$(($(now_ms) - t0))
  echo "UPPERCASE round trip right after: $trip_ms ms"
  [ "$trip_ms" -le 1000 ] || fail "the round trip after an abandoned run took $trip_ms ms"
  wait_until 5 panel_hidden || fail "the panel stayed open after copying"
  ;;

*)
  fail "unknown case"
  ;;
esac
echo "ok: $case_name"
