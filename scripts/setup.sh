#!/usr/bin/env bash
# Installs everything the build, the tests and the main job need on a fresh Debian 12 machine.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # toolchain and tests
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # compressed answers in the HTTP client's tests
  zlib1g-dev
  # JSON
  nlohmann-json3-dev
  # HTTP client, TLS policy and public-key pinning
  libcurl4-openssl-dev libssl-dev
  # WebSocket client
  libwebsocketpp-dev libboost-dev libboost-system-dev
  # phone numbers, country and language names
  libphonenumber-dev libicu-dev
  # DTLS-SRTP, ICE
  libsrtp2-dev libnice-dev
  # drawing and text
  libcairo2-dev libpango1.0-dev fonts-liberation2 fonts-dejavu-core
  # JPEG, PNG, frame conversion and scaling
  libturbojpeg0-dev libpng-dev libyuv-dev
  # VP8 and Opus
  libvpx-dev libopus-dev
  # script engine
  libjavascriptcoregtk-4.1-dev
  # web views, and the private X display they need on a headless machine
  libwebkit2gtk-4.1-dev xvfb xauth
  # simulated identification service
  python3 python3-aiohttp python3-websockets python3-aiortc python3-numpy openssl
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# One query for every package (a query each took seconds): dpkg-query names each package it
# knows with its status; one it does not know at all it leaves out (and complains about on
# standard error), so it counts as missing too.
declare -A installed=()
while IFS=' ' read -r name want ok state; do
  [ "$want $ok $state" = "install ok installed" ] && installed["${name%%:*}"]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null)
missing=()
for p in "${packages[@]}"; do
  [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
echo "setup: all packages present"

# The simulated service's test certificate authority and server certificate (sim/certs).
"$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/sim/make-certs.sh"
