#!/usr/bin/env bash
# Installs everything the project needs from Debian's archive. Idempotent and
# quick when everything is present. Run as root (or with sudo available).
set -euo pipefail

PACKAGES=(
  cmake make g++ clang lld libclang-rt-14-dev file dpkg-dev pkg-config
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 mingw-w64-tools
  wine wine64 xvfb x11-utils xdotool imagemagick fonts-wqy-microhei
  libboost-dev libboost-system-dev zlib1g-dev libminizip-dev libz-mingw-w64-dev
  libstb-dev googletest libssl-dev openssl
  nginx-light curl aria2 unzip zip python3 ccache locales tinyproxy squid
)
MINIZIP_CACHE=${ZVK_MINIZIP_CACHE:-/var/cache/zvk/src}
MINIZIP_DIR=$MINIZIP_CACHE/minizip-1.1

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

missing=()
for pkg in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done

sources_have_deb_src() {
  grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/
}

updated=0
apt_update() {
  [ "$updated" -eq 1 ] && return 0
  $SUDO apt-get update -qq
  updated=1
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt_update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The MinGW builds compile minizip from Debian's source package.
if [ ! -f "$MINIZIP_DIR/unzip.c" ]; then
  if ! sources_have_deb_src; then
    echo "setup: enabling Debian source entries"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      $SUDO sed -i -E 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
    fi
    if [ -f /etc/apt/sources.list ]; then
      grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $SUDO tee -a /etc/apt/sources.list >/dev/null || true
    fi
    updated=0
  fi
  apt_update
  $SUDO mkdir -p "$MINIZIP_CACHE"
  (
    cd "$MINIZIP_CACHE"
    $SUDO apt-get source --download-only minizip >/dev/null 2>&1
    rm -rf "$MINIZIP_DIR"
    dsc=$(ls -1 minizip_*.dsc | sort | tail -n 1)
    $SUDO dpkg-source -x "$dsc" "$MINIZIP_DIR" >/dev/null
  )
fi

# shellcheck source=scripts/lib/setup_wine32.sh
source "$(dirname "$0")/lib/setup_wine32.sh"
zvk_setup_wine32

echo "setup: ready"
