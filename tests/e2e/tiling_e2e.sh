#!/usr/bin/env bash
# End-to-end cases on tiling window managers: with a terminal tiled first, the panel must float,
# lie wholly on the output, and leave the terminal its full width, before and after a long result.
#   tiling_e2e.sh CASE TAVLETS X11_PROBE
case_name=$1
tavlets=$2
probe=$3
source "$(dirname "$0")/e2e_lib.sh"

command -v python3 >/dev/null 2>&1 || { echo "skipped: python3 is not installed"; exit 77; }

# Reads a get_tree answer (sway's or i3's) and prints "output W H", "terminal W" and
# "panel TYPE X Y W H" for the window whose app id or class is tavlets.
summary() {
  python3 -c '
import json, sys
term = sys.argv[1]
def name(n):
    props = n.get("window_properties") or {}
    return n.get("app_id") or props.get("instance") or ""
def walk(n, parent):
    if n.get("type") == "output" and not n["name"].startswith("__"):
        print("output", n["rect"]["width"], n["rect"]["height"])
    who = name(n).lower()
    if who == term.lower():
        print("terminal", n["rect"]["width"])
    if who == "tavlets":
        # i3 wraps a floating window in a container of its own; sway marks the window itself.
        con = parent if parent and parent.get("type") == "floating_con" else n
        r = con["rect"]
        print("panel", con["type"], r["x"], r["y"], r["width"], r["height"])
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        walk(c, n)
walk(json.load(sys.stdin), None)
' "$1"
}

# Asserts the layout of a tree summary; $2 names the step.
check_layout() {
  local out_w out_h term_w kind x y w h
  read -r _ out_w out_h < <(grep '^output' <<<"$1")
  read -r _ term_w < <(grep '^terminal' <<<"$1")
  read -r _ kind x y w h < <(grep '^panel' <<<"$1")
  [ -n "${kind:-}" ] || fail "$2: no panel in the tree:"$'\n'"$1"
  [ "$kind" == floating_con ] || fail "$2: the panel is a $kind, not floating"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$out_w" ] && [ $((y + h)) -le "$out_h" ] ||
    fail "$2: the panel at $x,$y (${w}x$h) leaves the ${out_w}x$out_h output"
  [ "$term_w" == "$out_w" ] || fail "$2: the terminal is $term_w wide on a $out_w-wide output"
  echo "$2: panel at $x,$y ${w}x$h, $y px free above and $((out_h - y - h)) below; terminal $term_w wide"
  panel_h=$h
}

case "$case_name" in
sway)
  for tool in sway swaymsg foot wtype wl-copy setpriv; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
  done
  # sway refuses to run as root: then it, and every client of its socket, runs as nobody.
  home="$work/sway"
  mkdir -m 700 "$home"
  as_user=()
  if [ "$(id -u)" -eq 0 ]; then
    chmod 711 "$work"
    chown nobody "$home"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  # A plain array rather than a function, so that "${on_sway[@]}" cmd & leaves cmd's own pid in $!.
  set_session() {
    on_sway=("${as_user[@]}" env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$home" TMPDIR="$home"
      XDG_CONFIG_HOME="$home/config" WAYLAND_DISPLAY="$1" SWAYSOCK="$home/ipc" QT_QPA_PLATFORM=wayland
      XDG_SESSION_TYPE=wayland)
  }
  set_session ""
  "${on_sway[@]}" test -x "$tavlets" || { echo "skipped: $tavlets is out of reach of an unprivileged user"; exit 77; }
  printf 'xwayland disable\noutput HEADLESS-1 resolution 1280x800\n' >"$home/sway.conf"
  chmod 644 "$home/sway.conf"
  "${as_user[@]}" env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$home" WLR_BACKENDS=headless \
    WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway -c "$home/sway.conf" >"$work/sway.log" 2>&1 &
  pids+=($!)
  wait_until 10 eval 'ls "$home"/wayland-? && ls "$home"/sway-ipc.*.sock' || fail "sway did not start"
  wayland=$(basename "$(ls "$home"/wayland-? | head -n 1)")
  set_session "$wayland"
  ln -s "$(ls "$home"/sway-ipc.*.sock | head -n 1)" "$home/ipc"
  tree() { "${on_sway[@]}" swaymsg -t get_tree | summary foot; }

  "${on_sway[@]}" foot sleep 600 >"$work/foot.log" 2>&1 &
  pids+=($!)
  wait_until 10 eval 'tree | grep -q "^terminal"' || fail "the terminal did not show"
  # A keyboard for the whole case: without one, each key sent would add and remove the seat's
  # keyboard, which takes the focus from the panel.
  "${on_sway[@]}" wtype -s 600000 >/dev/null 2>&1 &
  pids+=($!)
  "${on_sway[@]}" wl-copy --foreground "$(long_json)" >"$work/wl-copy.log" 2>&1 &
  pids+=($!)
  "${on_sway[@]}" "$tavlets" >>"$work/tavlets.log" 2>&1 &
  pids+=($!)
  wait_until 10 eval 'ls "$home"/tavlets-*-"$wayland"' || fail "tavlets did not come up"
  "${on_sway[@]}" timeout 10 "$tavlets" >>"$work/second.log" 2>&1 || fail "the second launch failed"
  # Sized for its content once it has read the clipboard.
  wait_until 10 eval 'tree | awk '\''$1 == "panel" && $6 > 150 { ok = 1 } END { exit !ok }'\''' ||
    fail "the panel did not show its content: $(tree)"
  check_layout "$(tree)" "opened"
  opened=$panel_h
  "${on_sway[@]}" wtype -k Return
  wait_until 10 eval 'tree | awk -v h="$opened" '\''$1 == "panel" && $6 > h + 100 { ok = 1 } END { exit !ok }'\''' ||
    fail "the panel did not grow for the result: $(tree)"
  sleep 0.3
  check_layout "$(tree)" "with a result"
  "${on_sway[@]}" wtype -k Escape
  wait_until 10 eval '! tree | grep -q "^panel"' || fail "Escape did not close the panel"
  ;;

i3)
  for tool in i3 i3-msg xterm; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
  done
  printf '# i3 config file (v4)\nfont pango:DejaVu Sans 8\n' >"$work/i3.conf"
  i3 -c "$work/i3.conf" >"$work/i3.log" 2>&1 &
  pids+=($!)
  wait_until 10 i3-msg -t get_version || fail "i3 did not come up"
  tree() { i3-msg -t get_tree | summary xterm; }
  # The waits ask the X server, which answers faster than the tree summary on a busy machine.
  panel_height() {
    xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --classname '^tavlets$' | head -n 1)" |
      sed -n 's/^HEIGHT=//p'
  }
  xterm -e sleep 600 &
  pids+=($!)
  wait_until 10 xdotool search --onlyvisible --class '^XTerm$' || fail "the terminal did not show"
  set_clipboard "$(long_json)"
  start_tavlets
  xdotool key alt+space
  wait_until 10 panel_visible || fail "Alt+Space did not open the panel"
  sleep 0.3
  now=$(tree)
  check_layout "$now" "opened"
  read -r _ _ x y w h < <(grep '^panel' <<<"$now")
  [ $(( (1280 - w) / 2 - x )) -ge -1 ] && [ $(( (1280 - w) / 2 - x )) -le 1 ] &&
    [ $(( (800 - h) / 2 - y )) -ge -1 ] && [ $(( (800 - h) / 2 - y )) -le 1 ] ||
    fail "the panel at $x,$y (${w}x$h) is not centred"
  opened=$(panel_height)
  xdotool key Return
  wait_until 10 eval '[ "$(panel_height)" -gt $((opened + 100)) ]' || fail "the panel did not grow for the result"
  sleep 0.3
  check_layout "$(tree)" "with a result"
  xdotool key Escape
  wait_until 10 panel_hidden || fail "Escape did not close the panel"
  ;;

*)
  fail "unknown case"
  ;;
esac
echo "ok: $case_name"
