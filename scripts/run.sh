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
exec "$exe" "$@"
