#!/usr/bin/env bash
# The start notice through a real notification server: dunst on a private session bus, with a
# tray (trayer) on the display, while another client holds Alt+Space.
#   notify_e2e.sh CASE TAVLETS X11_PROBE DATA_DIR
case_name=$1
tavlets=$2
probe=$3
data=$4
source "$(dirname "$0")/e2e_lib.sh"
for tool in dunst dunstctl trayer dbus-send; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done

start_private_bus "$data"

notifications_owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications | grep -q 'boolean true'
}
# Notices the server has shown, moved to its history so their texts can be read (straight from the
# bus: dunstctl's own history command needs systemd's busctl).
history() {
  dbus-send --session --print-reply --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
    org.dunstproject.cmd0.NotificationListHistory
}
history_has() { dunstctl close-all && history | grep -qF "$1"; }

case "$case_name" in
dunst)
  trayer --edge top >"$work/trayer.log" 2>&1 &
  pids+=($!)
  wait_until 10 xdotool search --classname '^trayer$' || fail "trayer did not start"
  dunst >"$work/dunst.log" 2>&1 &
  pids+=($!)
  wait_until 10 notifications_owned || fail "dunst did not take the notification service"
  "$probe" grab >"$work/grabber.out" 2>"$work/grabber.log" &
  pids+=($!)
  wait_until 10 grep -q ready "$work/grabber.out" || fail "the grabbing client did not get Alt+Space"

  start_tavlets
  wait_until 10 history_has 'Alt+Space is already used by another app' \
    || fail "dunst showed no notice of the refusal: $(history)"
  history=$(history)
  grep -qF 'string "Tavlets"' <<<"$history" || fail "the notice is not from Tavlets: $history"
  grep -qF "The shortcut doesn't work" <<<"$history" || fail "the notice has no summary: $history"
  grep -qF 'in the menu of the Tavlets tray icon' <<<"$history" || fail "the notice does not say where to go"
  [ "$(grep -c 'string "appname"' <<<"$history")" -eq 1 ] || fail "not exactly one notice: $history"
  # Told through the desktop, so not on standard error as well.
  ! grep -q 'already used by another app' "$work/tavlets.log" || fail "the notice also went to standard error"
  ;;
*) fail "unknown case" ;;
esac
