#!/usr/bin/env bash
# End-to-end cases for the command line against a real display: the clipboard in place, what
# `status` reports, and the instance channel facing another user.
#   cli_e2e.sh CASE TAVLETS X11_PROBE
case_name=$1
tavlets=$2
probe=$3
source "$(dirname "$0")/e2e_lib.sh"

case "$case_name" in
clipboard_run)
  set_clipboard '{"a":[1,2],"b":{}}'
  timeout 20 "$tavlets" run json.format --clipboard 2>"$work/run.log" || fail "run --clipboard failed"
  # The command has returned; its result is still served.
  expected=$'{\n  "a": [\n    1,\n    2\n  ],\n  "b": {}\n}'
  clipboard_is "$expected" || fail "clipboard holds: $(clipboard)"
  # Once another app takes the clipboard, the server leaves.
  server=$(pgrep -f -n -- "$tavlets run json.format --clipboard")
  [ -n "$server" ] || fail "nothing serves the result"
  set_clipboard 'taken'
  wait_until 10 eval "! kill -0 $server" || fail "the server stayed after losing the clipboard"
  # Failures leave the clipboard alone and say why.
  set_clipboard '{"broken":'
  timeout 20 "$tavlets" run json.format --clipboard 2>"$work/broken.log"
  [ $? -eq 1 ] || fail "broken JSON did not exit 1"
  grep -q "isn't valid JSON" "$work/broken.log" || fail "no message for broken JSON: $(cat "$work/broken.log")"
  clipboard_is '{"broken":' || fail "a failed run changed the clipboard"
  [ "$(timeout 20 "$tavlets" actions --clipboard | head -n 1)" == "JSON (has errors)" ] || fail "actions --clipboard"
  ;;

status_openbox)
  start_stock_openbox
  "$tavlets" status >"$work/status.out"
  [ $? -eq 3 ] || fail "status did not exit 3 with nothing running"
  grep -q 'not running' "$work/status.out" || fail "status: $(cat "$work/status.out")"
  start_tavlets
  wait_until 10 eval '"$tavlets" status | grep -q "Alt+Space is already used by another app.*tavlets --settings"' \
    || fail "status did not report the refusal: $("$tavlets" status)"
  # Chosen by hand and picked up at the next start: status names it.
  kill "$tavlets_pid"
  wait "$tavlets_pid" 2>/dev/null
  mkdir -p "$XDG_CONFIG_HOME/tavlets"
  printf '[General]\nshortcut=Ctrl+Alt+K\n' >"$XDG_CONFIG_HOME/tavlets/tavlets.conf"
  rm -f "$socket"
  start_tavlets
  wait_until 10 eval '"$tavlets" status | grep -q "Press Ctrl+Alt+K anywhere"' || fail "status: $("$tavlets" status)"
  "$tavlets" status >/dev/null || fail "status did not exit 0 while running"
  # A key the layout lacks: the terminal is pointed at --settings, not at Settings' own rows.
  kill "$tavlets_pid"
  wait "$tavlets_pid" 2>/dev/null
  printf '[General]\nshortcut=Ctrl+Alt+\xc3\x84\n' >"$XDG_CONFIG_HOME/tavlets/tavlets.conf"
  rm -f "$socket"
  start_tavlets
  wait_until 10 eval '"$tavlets" status | grep -q "Ctrl+Alt+Ä isn.t on your keyboard layout.*tavlets --settings"' \
    || fail "status: $("$tavlets" status)"
  ;;

other_user)
  # Another local user (nobody) prepares the old shared names and a runtime folder of its own.
  command -v setpriv >/dev/null 2>&1 && [ "$(id -u)" -eq 0 ] || { echo "skipped: needs root and setpriv"; exit 77; }
  shared="$work/shared"
  mkdir "$shared"
  chmod 1777 "$shared" "$work"
  as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
  as_nobody touch "$shared/tavlets-$(id -u)-_$display.lock" "$shared/tavlets-$(id -u)-_$display"
  # Where XDG_RUNTIME_DIR is unset, the private folder is taken first by the other user: refused.
  as_nobody mkdir -m 700 "$shared/tavlets-$(id -u)"
  TMPDIR="$shared" XDG_RUNTIME_DIR= timeout 10 "$tavlets" >"$work/refused.log" 2>&1
  [ $? -eq 1 ] || fail "started in a folder of another user"
  grep -q 'belongs to another user' "$work/refused.log" || fail "no reason given: $(cat "$work/refused.log")"
  TMPDIR="$shared" XDG_RUNTIME_DIR= timeout 10 "$tavlets" status | grep -q 'belongs to another user' \
    || fail "status did not say why"
  # A runtime folder others may enter is refused too.
  chmod 755 "$XDG_RUNTIME_DIR"
  timeout 10 "$tavlets" >"$work/open.log" 2>&1
  [ $? -eq 1 ] && grep -q 'others may enter' "$work/open.log" || fail "started in an open folder: $(cat "$work/open.log")"
  chmod 700 "$XDG_RUNTIME_DIR"
  # The real instance starts despite the old names, and the other user's connection is refused.
  TMPDIR="$shared" start_tavlets
  chmod 777 "$XDG_RUNTIME_DIR" "$socket"
  as_nobody /usr/bin/python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1]); s.settimeout(5)
# Refused: the connection is closed, before or after the message is sent.
try: s.sendall(b"toggle\n"); sys.exit(0 if s.recv(16) == b"" else 1)
except (BrokenPipeError, ConnectionResetError): sys.exit(0)' "$socket" || fail "another user's message was answered"
  stays panel_hidden || fail "another user toggled the panel"
  chmod 700 "$XDG_RUNTIME_DIR"
  second_launch
  wait_until 10 panel_visible || fail "the same user's launch did not toggle the panel"
  ;;

*)
  fail "unknown case"
  ;;
esac
echo "ok: $case_name"
