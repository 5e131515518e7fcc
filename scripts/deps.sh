#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need; skips what is there.
# "deps.sh windows": those of the Windows cross build and its tests under wine instead.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev llvm
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  zlib1g-dev libstb-dev libcurl4-openssl-dev
  qt6-base-dev libqt6opengl6-dev libgl-dev libegl-dev libx11-dev libxss-dev libxext-dev libxfixes-dev
  libgl1-mesa-dri qt6-base-private-dev qt6-wayland libwayland-dev libwayland-bin wayland-protocols
  xvfb xauth x11-utils xdotool trayer imagemagick
  openbox pcmanfm xfdesktop4 dbus-x11 xcompmgr
  sway swaybg grim mutter weston xwayland dbus
  fonts-ipafont-gothic
  assimp-testmodels libassimp-dev
  python3
  dpkg-dev lintian desktop-file-utils appstream
)
if [ "${1:-}" = windows ]; then
  packages=(
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest libstb-dev cmake ninja-build
    wine wine64 xvfb xauth xdotool imagemagick fonts-ipafont-gothic python3
  )
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
