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

"$exe" "$@" &
pid=$!
trap 'kill "$pid" 2>/dev/null' INT TERM
# Once it is up, say what it reached, in its own words: the shortcut that works, or why none does.
# A launch that finds Tavlets already running toggles its panel and ends at once: nothing to say.
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  if report=$("$exe" status 2>/dev/null) && grep -q "process $pid)" <<<"$report"; then
    # The desktop may still be deciding on the shortcut; give it a moment to answer.
    for _ in $(seq 30); do
      grep -q '^Shortcut: Asking your desktop' <<<"$report" || break
      sleep 0.1
      report=$("$exe" status 2>/dev/null) || break
    done
    printf '%s\n' "$report"
    echo "Running tavlets again opens or closes the panel; tavlets --settings chooses another shortcut."
    break
  fi
  sleep 0.1
done
wait "$pid"
