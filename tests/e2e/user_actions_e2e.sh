#!/usr/bin/env bash
# End-to-end cases for the user's own actions, read from a config folder of the case's own.
#   user_actions_e2e.sh CASE TAVLETS X11_PROBE
case_name=$1
tavlets=$2
probe=$3
source "$(dirname "$0")/e2e_lib.sh"

export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/tavlets"
config="$XDG_CONFIG_HOME/tavlets/actions.toml"

case "$case_name" in
user_actions)
  # Plain text gets the nine built-in actions, then "Sort lines" and "Fails" in file order; the
  # JSON-only entry, the one whose pattern does not match and the broken one are not offered.
  cat >"$config" <<'EOF'
[[action]]
title = "Sort lines"
symbol = "arrow.up.arrow.down"
when = ["text", "long-text"]
run = ["sort", "-u"]

[[action]]
title = "Keys"
when = ["json"]
run = ["echo", "KEYS"]

[[action]]
title = "Format XML"
match = '^\s*<'
run = ["echo", "XML"]

[[action]]
title = "Broken"
run = []

[[action]]
title = "Fails"
run = ["sh", "-c", "echo oops >&2; exit 3"]
EOF
  chmod 600 "$config"
  set_clipboard $'pear\napple\npear'
  start_tavlets
  xdotool key alt+space
  wait_until 10 panel_visible || fail "Alt+Space did not open the panel"
  wait_until 10 grep -q 'actions.toml:19:7: .*run.* is empty' "$work/tavlets.log" \
    || fail "the broken entry was not reported with its place"
  # The user's actions join the list once matched, a moment after the file is read.
  sleep 0.5
  # Left from the first action wraps to the last one: "Fails". Its error is never copied.
  xdotool key Left Return
  sleep 0.3
  xdotool key Return
  stays panel_visible || fail "Return on the failing command's error closed the panel"
  clipboard_is $'pear\napple\npear' || fail "the failing command's error was copied: $(clipboard)"
  # The one before it is "Sort lines": its result round-trips into the clipboard.
  xdotool key Left Return
  sleep 0.3
  xdotool key Return
  wait_until 10 clipboard_is $'apple\npear\n' || fail "clipboard holds: $(clipboard)"
  wait_until 10 panel_hidden || fail "the panel stayed open after copying"
  [ "$(grep -c 'is empty' "$work/tavlets.log")" -eq 1 ] || fail "a problem was reported more than once"
  ;;

leftovers)
  # Each command leaves a process in a session of its own (holding the output) and one in its
  # group, and writes their ids. However its run ends, by exiting, by its timeout, by Escape or
  # by the app being told to quit, none of them is left 1 s later, nor a zombie of the app.
  left_file="$work/leftovers"
  leave="setsid sleep 3601 \& echo \$! >>$left_file; sleep 3602 >/dev/null \& echo \$! >>$left_file"
  sed "s|LEAVE|$leave|" >"$config" <<'EOF'
[[action]]
title = "Leave and finish"
run = ["sh", "-c", "LEAVE; echo finished"]

[[action]]
title = "Leave and time out"
timeout = 2
run = ["sh", "-c", "LEAVE; sleep 3603"]

[[action]]
title = "Leave and wait"
timeout = 600
run = ["sh", "-c", "LEAVE; sleep 3604"]
EOF
  chmod 600 "$config"
  both_started() { [ "$(wc -l <"$left_file" 2>/dev/null)" -ge 2 ]; }
  any_left() {
    local pid
    for pid in $(cat "$left_file"); do [ -e "/proc/$pid" ] && return 0; done
    grep -lzs "^TAVLETS_RUN=$tavlets_pid\." /proc/[0-9]*/environ >/dev/null 2>&1 && return 0
    [ -d "/proc/$tavlets_pid" ] && ps -o stat= --ppid "$tavlets_pid" | grep -q '^Z'
  }
  none_left() { ! any_left; }
  # run KEYS: opens the panel, picks an action by its keys and starts it; returns once both
  # leftovers are running.
  run() {
    rm -f "$left_file"
    xdotool key alt+space
    wait_until 10 panel_visible || fail "Alt+Space did not open the panel"
    sleep 0.3
    xdotool key "$@" Return
    wait_until 10 both_started || fail "the command did not start its leftovers"
  }
  # gone_within SECONDS WHAT: waits for nothing of the run to be left, and prints how long it took.
  gone_within() {
    local t0; t0=$(now_ms)
    wait_until "$1" none_left || fail "$2: processes of the run are left: $(cat "$left_file")"
    echo "$2: nothing left after $(($(now_ms) - t0)) ms"
  }

  set_clipboard 'some text'
  start_tavlets
  run Left Left Left
  gone_within 2 "exit"
  xdotool key Return
  wait_until 10 clipboard_is $'finished\n' || fail "the command's output was lost: $(clipboard)"
  wait_until 10 panel_hidden || fail "the panel stayed open after copying"

  set_clipboard 'some text'
  run Left Left
  sleep 2  # the timeout
  gone_within 2 "timeout"
  xdotool key Escape
  wait_until 5 panel_hidden || fail "Escape did not close the panel"

  run Left
  xdotool key Escape
  gone_within 2 "Escape"
  wait_until 5 panel_hidden || fail "Escape did not close the panel"

  run Left
  kill -TERM "$tavlets_pid"
  wait_until 10 eval '! kill -0 "$tavlets_pid"' || fail "SIGTERM did not end the app"
  wait "$tavlets_pid"
  status=$?
  [ "$status" -eq 0 ] || fail "the app did not quit in order on SIGTERM (status $status)"
  gone_within 2 "SIGTERM"
  ;;

*)
  fail "unknown case"
  ;;
esac
echo "ok: $case_name"
