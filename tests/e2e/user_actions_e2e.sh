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

*)
  fail "unknown case"
  ;;
esac
echo "ok: $case_name"
