#!/usr/bin/env bash
# Installs what is missing, builds Tavlets and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tavlets
exe=build/release/app/tavlets
if [ ! -x "$exe" ]; then
  echo "Built the engine; the desktop app is not built yet." >&2
  exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No desktop session here (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "Run $exe from a terminal inside your desktop session." >&2
  exit 1
fi

# The shortcut that opens the panel: the one set in the settings file, else the default.
shortcut_setting() {
  local conf="${XDG_CONFIG_HOME:-$HOME/.config}/tavlets/tavlets.conf"
  [ -r "$conf" ] || return 0
  awk '
    /^[ \t]*\[/ { general = ($0 ~ /^[ \t]*\[General\][ \t\r]*$/); next }
    general && /^[ \t]*shortcut[ \t]*=/ {
      sub(/^[^=]*=[ \t]*/, ""); sub(/[ \t\r]+$/, ""); gsub(/^"|"$/, ""); print; exit
    }' "$conf"
}
shortcut=$(shortcut_setting)
shortcut=${shortcut:-Alt+Space}

"$exe" "$@" &
pid=$!
trap 'kill "$pid" 2>/dev/null' INT TERM
# Up means: holds its instance lock (the lock file names its process) and listens for later launches.
# A launch that finds Tavlets already running toggles its panel and ends at once: nothing to say.
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  up=
  for lock in "${TMPDIR:-/tmp}/tavlets-$(id -u)-"*.lock; do
    if [ "$(head -n 1 "$lock" 2>/dev/null)" == "$pid" ] && [ -S "${lock%.lock}" ]; then up=1; fi
  done
  if [ -n "$up" ]; then
    echo "Tavlets is running in the tray. Press $shortcut to open it; running tavlets again toggles the panel."
    break
  fi
  sleep 0.1
done
wait "$pid"
