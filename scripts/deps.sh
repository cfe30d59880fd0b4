#!/usr/bin/env bash
# Installs the Debian packages Tavlets needs to build, run and test, when any is missing.
# Quiet and quick when everything is already there. Works on Debian 12 and 13: where a name
# differs between releases, the list gives the choices as "a|b" and the first one the archive
# knows is taken.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config libicu-dev qt6-base-dev libx11-dev libxcb1-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev rapidjson-dev
  # fuzzing (libFuzzer comes with clang's runtime, which must be the one of the default clang)
  clang "libclang-rt-dev|libclang-rt-14-dev"
  # end-to-end tests on a virtual X display
  xvfb xauth xdotool xclip fonts-dejavu-core
  # user actions file
  libtomlplusplus-dev
  # desktops the app meets: window managers that hold Alt+Space, a tray, a notification
  # server, native Wayland, a private session bus and the accessibility stack
  openbox xfwm4 trayer dunst xcompmgr weston wl-clipboard qt6-wayland dbus-daemon at-spi2-core
  python3-pyatspi gir1.2-atspi-2.0 libatspi2.0-dev
  # KDE Plasma's real portal stack, and tiling desktops with a terminal to tile beside the panel
  kwin-wayland xdg-desktop-portal xdg-desktop-portal-kde qtwayland5 xwayland sway i3-wm foot xterm
  x11-utils x11-xkb-utils wtype
  # keys of any script on the layout, and the icon check
  libxkbcommon-dev qt6-svg-dev
  # packaging checks
  appstream desktop-file-utils lintian bash-completion
  # a clean Debian system for the release check, and faster rebuilds
  debootstrap ccache
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
# A real package with a version to install (a purely virtual name has none).
available() { apt-cache show --no-all-versions "$1" 2>/dev/null | grep -q '^Version:'; }

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
need_root() {
  if [ ${#sudo[@]} -gt 0 ] && ! command -v sudo >/dev/null; then
    echo "Need root or sudo to install: $*" >&2
    exit 1
  fi
}
export DEBIAN_FRONTEND=noninteractive
updated=false
update() {
  $updated && return
  "${sudo[@]}" apt-get update -qq
  updated=true
}

# Picks the first of "a|b|..." that is installed, else the first the archive has.
choose() {
  local choices p
  IFS='|' read -r -a choices <<<"$1"
  for p in "${choices[@]}"; do installed "$p" && { echo "$p"; return; }; done
  for p in "${choices[@]}"; do available "$p" && { echo "$p"; return; }; done
  return 1
}

missing=()
alternatives=()
for p in "${packages[@]}"; do
  if [[ "$p" == *"|"* ]]; then
    alternatives+=("$p")
  elif ! installed "$p"; then
    missing+=("$p")
  fi
done
for a in "${alternatives[@]}"; do
  if ! p=$(choose "$a"); then
    # The package lists may be missing or stale (a fresh system has none): read them, then ask again.
    need_root "$a"
    update
    p=$(choose "$a") || { echo "None of these packages exists here: ${a//|/, }" >&2; exit 1; }
  fi
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
need_root "${missing[@]}"
update
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
