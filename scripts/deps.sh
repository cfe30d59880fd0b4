#!/usr/bin/env bash
# Installs the Debian packages Tavlets needs to build, run and test, when any is missing.
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config libicu-dev qt6-base-dev libx11-dev libxcb1-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev rapidjson-dev
  # fuzzing (libFuzzer comes with clang's runtime)
  clang libclang-rt-14-dev
  # end-to-end tests on a virtual X display
  xvfb xauth xdotool xclip fonts-dejavu-core
  # user actions file
  libtomlplusplus-dev
  # desktops the app meets: a window manager that holds Alt+Space, a tray, native Wayland,
  # a private session bus and the accessibility stack
  openbox trayer xcompmgr weston wl-clipboard qt6-wayland dbus-daemon at-spi2-core
  python3-pyatspi gir1.2-atspi-2.0 libatspi2.0-dev
  # KDE Plasma's real portal stack, and tiling desktops with a terminal to tile beside the panel
  kwin-wayland xdg-desktop-portal xdg-desktop-portal-kde qtwayland5 xwayland sway i3-wm foot xterm
  x11-utils x11-xkb-utils
  # packaging checks
  appstream desktop-file-utils lintian bash-completion
  # a clean Debian system for the release check, and faster rebuilds
  debootstrap ccache
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
