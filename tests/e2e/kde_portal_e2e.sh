#!/usr/bin/env bash
# The shortcut on KDE Plasma's own stack, headless: kwin_wayland --virtual with XWayland, the
# desktop portal and its KDE backend, started on demand on a session bus of the case's own.
# The shortcut is pressed through kglobalaccel (served by KWin), as a key press would reach it.
#   kde_portal_e2e.sh CASE TAVLETS
# Cases, with the app through XWayland or as a Wayland client: xwayland and native (bind, open and
# close, the clipboard, Settings), xwayland_restarts and native_restarts (a portal restart and a
# second start of the app); late_portal: a portal that comes up after the app.
set -u
case_name=$1
tavlets=$2
here=$(dirname "$0")

portal=/usr/libexec/xdg-desktop-portal
# Where the release installs the KDE backend: its D-Bus service file names it.
kde_backend=$(sed -n 's/^Exec=//p' /usr/share/dbus-1/services/org.freedesktop.impl.portal.desktop.kde.service 2>/dev/null | head -n 1)
kde_backend=${kde_backend%% *}
for tool in kwin_wayland Xwayland dbus-daemon dbus-send xdotool xclip wl-copy wl-paste; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
for file in "$portal" "$kde_backend" /usr/share/xdg-desktop-portal/portals/kde.portal /usr/libexec/at-spi-bus-launcher; do
  [ -e "$file" ] || { echo "skipped: $file is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "skipped: python3-pyatspi is not installed"; exit 77; }

source "$here/e2e_base.sh"
bus_names=(org.freedesktop.portal.Desktop org.freedesktop.impl.portal.desktop.kde
  org.freedesktop.impl.portal.PermissionStore)
# What the bus started on demand is no child of ours: ask the bus for its process.
owner_pid() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetConnectionUnixProcessID \
    "string:$1" 2>/dev/null | awk '/uint32/ { print $2 }'
}
before_cleanup() {
  local name pid
  for name in "${bus_names[@]}"; do
    pid=$(owner_pid "$name")
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
  done
}

# The session: a bus whose only services are the portal, its KDE backend and the permission store.
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config TMPDIR=$work
export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland KWIN_COMPOSE=Q QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export WAYLAND_DISPLAY=tavlets-kde-$$
unset DISPLAY QT_QPA_PLATFORM
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir "$work/services" "$work/held"
for name in "${bus_names[@]}"; do
  grep -v '^SystemdService=' "/usr/share/dbus-1/services/$name.service" >"$work/services/$name.service" ||
    { echo "skipped: no D-Bus service file for $name"; exit 77; }
done
# A portal that is not there yet: its service appears later.
[ "$case_name" == late_portal ] && mv "$work/services/org.freedesktop.portal.Desktop.service" "$work/held/"
cat >"$work/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$work/bus</listen>
  <servicedir>$work/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
# The portals it starts inherit its environment: the KDE backend draws its dialogs on KWin.
QT_QPA_PLATFORM=wayland dbus-daemon --config-file="$work/bus.conf" --nofork --print-address=3 3>"$work/address" \
  2>"$work/dbus.log" &
pids+=($!)
wait_until 10 test -s "$work/address" || fail "the session bus did not start"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/address")
export DBUS_SESSION_BUS_ADDRESS

# As installed, kwin_wayland carries a file capability that a sandbox may refuse to run; a plain
# copy has none.
kwin=$(command -v kwin_wayland)
"$kwin" --version >/dev/null 2>&1 || { cp "$kwin" "$work/kwin_wayland" && kwin=$work/kwin_wayland; }
"$kwin" --virtual --xwayland --socket "$WAYLAND_DISPLAY" --width 1280 --height 800 >"$work/kwin.log" 2>&1 &
kwin_pid=$!
pids+=("$kwin_pid")
wait_until 15 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "kwin_wayland did not start"
xwayland_display() { pgrep -a -P "$kwin_pid" Xwayland | grep -o " :[0-9]*" | head -n 1 | tr -d " "; }
if ! wait_until 15 eval 'test -n "$(xwayland_display)"'; then
  # Plasma 6's KWin starts XWayland only when an X client connects, on a display this harness does
  # not find yet; Plasma 5.27's starts it at once.
  "$kwin" --version 2>/dev/null | grep -qE ' [6-9]\.' && { echo "skipped: this KWin starts XWayland on demand"; exit 77; }
  fail "KWin started no XWayland"
fi
x_display=$(xwayland_display)
wait_until 15 env DISPLAY="$x_display" xdotool getmouselocation || fail "XWayland does not answer"

/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/atspi.log" 2>&1 &
launcher=$!
pids+=("$launcher")
wait_until 10 dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress ||
  fail "the accessibility bus did not start"
for child in $(pgrep -P "$launcher"); do pids+=("$child"); done

# The app through XWayland, as it chooses itself in a Plasma session, or natively.
mode=xwayland
[[ "$case_name" == native* ]] && mode=native
app_vars=(DISPLAY="$x_display")
[ "$mode" == native ] && app_vars=(QT_QPA_PLATFORM=wayland)
# env runs the app in its own place, so $! is the app's pid.
app_env() { env "${app_vars[@]}" "$@"; }
on_x() { env DISPLAY="$x_display" "$@"; }

# What the app shows, as a screen reader reads it (windows of both kinds).
a11y_tree() { /usr/bin/python3 "$here/a11y_probe.py" tree 2>>"$work/a11y.log"; }
panel_says() { a11y_tree | cut -f 2 | grep -qxF "$1"; }
panel_open() {
  [ "$mode" == native ] && { panel_says JSON; return; }
  local id
  for id in $(on_x xdotool search --onlyvisible --classname '^tavlets$'); do
    [ "$(on_x xdotool getwindowname "$id")" != "Tavlets Settings" ] && return 0
  done
  return 1
}
panel_closed() { ! panel_open; }

# kglobalaccel's entry that holds open-panel: the desktop bound it.
component() {
  local path
  for path in $(dbus-send --session --print-reply --dest=org.kde.kglobalaccel /kglobalaccel \
    org.kde.KGlobalAccel.allComponents 2>/dev/null | grep -o '"/component/[^"]*"' | tr -d '"'); do
    dbus-send --session --print-reply --dest=org.kde.kglobalaccel "$path" org.kde.kglobalaccel.Component.shortcutNames \
      2>/dev/null | grep -q '"open-panel"' && { echo "$path"; return 0; }
  done
  return 1
}
press_shortcut() {
  dbus-send --session --print-reply --dest=org.kde.kglobalaccel "$(component)" \
    org.kde.kglobalaccel.Component.invokeShortcut string:open-panel >/dev/null || fail "kglobalaccel did not take the press"
}
# Calls the KDE backend received, from its log.
backend_calls() { grep -c "GlobalShortcuts: $1 called" "$work/dbus.log"; }

# Settings' status text and Shortcut button both name this trigger.
settings_names() {
  local trigger=$1
  wait_until 10 eval 'a11y_tree | grep -q "^label	Your desktop opens the panel with $trigger\."' ||
    fail "Settings does not name the desktop's trigger $1: $(a11y_tree)"
  a11y_tree | grep -qF "$(printf 'button\tShortcut: %s.' "$1")" ||
    fail "the Shortcut button does not name the desktop's trigger $1: $(a11y_tree)"
}

start_app() {
  env "${app_vars[@]}" "$tavlets" >>"$work/tavlets.log" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
}
# The shortcut works: a press opens the panel, the next closes it. Right after a (re)start the
# app may not have the portal's last answer yet and rightly drops a press: one more is allowed.
toggles() {
  press_shortcut
  if ! wait_until 3 panel_open; then
    press_shortcut
    wait_until 10 panel_open || fail "$1: the shortcut did not open the panel"
  fi
  press_shortcut
  wait_until 10 panel_closed || fail "$1: the shortcut did not close the panel"
}
# Waits for the app's session after a start or a portal restart (the backend lists it), then presses.
listed_again() {
  local before=$1
  wait_until 20 eval '[ "$(backend_calls ListShortcuts)" -gt "$before" ]' || fail "$2: the app did not come back to the portal"
}

json='{"a":[1,2]}'
formatted=$'{\n  "a": [\n    1,\n    2\n  ]\n}'

case "$case_name" in
xwayland | native | xwayland_restarts | native_restarts)
  # JSON on the clipboard of the app's own kind (a native panel is told apart by what it shows).
  if [ "$mode" == native ]; then
    wl-copy --foreground "$json" >"$work/wl-copy.log" 2>&1 &
    pids+=($!)
    wait_until 10 eval '[ "$(timeout 5 wl-paste --no-newline)" == "$json" ]' || fail "wl-copy did not set the clipboard"
  else
    printf '%s' "$json" | on_x xclip -selection clipboard -i
  fi
  start=$(now_ms)
  start_app
  wait_until 20 component || fail "the desktop did not bind open-panel"
  listed_again 0 "first start"
  echo "time: start to the desktop's binding: $(($(now_ms) - start)) ms"
  asked=$(backend_calls BindShortcuts)
  component_name=$(component)
  component_name=${component_name#/component/}
  toggles "first start"

  if [[ "$case_name" != *_restarts ]]; then
    # The clipboard, through the shortcut.
    if [ "$mode" == native ]; then
      press_shortcut
      wait_until 10 panel_says "$json" || fail "the panel did not show the clipboard: $(a11y_tree)"
      press_shortcut
      wait_until 10 panel_closed || fail "the shortcut did not close the panel"
    else
      press_shortcut
      wait_until 10 panel_says "$json" || fail "the panel did not show the clipboard: $(a11y_tree)"
      on_x xdotool key Return
      wait_until 10 eval 'a11y_tree | grep "^result" | grep -qF "\"a\": ["' || fail "Return did not format: $(a11y_tree)"
      on_x xdotool key Return
      wait_until 10 eval '[ "$(on_x xclip -selection clipboard -o; printf x)" == "${formatted}x" ]' ||
        fail "the clipboard holds: $(on_x xclip -selection clipboard -o)"
      wait_until 10 panel_closed || fail "the panel stayed open after copying"
    fi

    # Settings names the trigger the desktop bound, in its text and on the Shortcut button, and
    # follows a change made on the desktop's side.
    app_env timeout 10 "$tavlets" --settings >>"$work/second.log" 2>&1 || fail "tavlets --settings failed"
    settings_names Alt+Space
    dbus-send --session --print-reply --dest=org.kde.kglobalaccel /kglobalaccel org.kde.KGlobalAccel.setForeignShortcut \
      array:string:"${component_name}","open-panel","${component_name}","Open the Tavlets panel" \
      array:int32:$((0x04000000 | 0x08000000 | 0x54)) >/dev/null || fail "could not change the key on KDE's side"
    settings_names Ctrl+Alt+T
  else
    # The portal restarts (an update, a crash): the app makes its session anew and the key works.
    listed=$(backend_calls ListShortcuts)
    kill "$(owner_pid org.freedesktop.portal.Desktop)" || fail "no portal to restart"
    wait_until 10 eval '[ -z "$(owner_pid org.freedesktop.portal.Desktop)" ]' || fail "the portal did not stop"
    start=$(now_ms)
    dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop \
      org.freedesktop.DBus.Peer.Ping >/dev/null || fail "the portal did not start again"
    listed_again "$listed" "portal restart"
    toggles "after a portal restart"
    echo "time: portal restart to a working shortcut: $(($(now_ms) - start)) ms"

    # A second start uses the binding the desktop keeps: it is not asked for again.
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null
    listed=$(backend_calls ListShortcuts)
    start_app
    listed_again "$listed" "second start"
    toggles "second start"
    [ "$(backend_calls BindShortcuts)" == "$asked" ] || fail "the second start asked the desktop again"
    echo "BindShortcuts calls over both starts: $asked"
  fi
  ;;

late_portal)
  start_app
  wait_until 10 grep -q "global shortcuts aren't available" "$work/tavlets.log" ||
    fail "no word that there is no portal"
  component && fail "a shortcut was bound without a portal"
  mv "$work/held/org.freedesktop.portal.Desktop.service" "$work/services/"
  # The bus notices the new service file in its folder; then something starts the portal.
  wait_until 10 dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop \
    /org/freedesktop/portal/desktop org.freedesktop.DBus.Peer.Ping || fail "the portal did not start"
  wait_until 20 component || fail "the app did not use the portal that came up"
  listed_again 0 "late portal"
  toggles "late portal"
  ;;

*)
  fail "unknown case"
  ;;
esac
kill -0 "$app_pid" 2>/dev/null || fail "tavlets went away"
echo "ok: $case_name"
