#!/usr/bin/env bash
# Installs everything the project builds, tests and makes its assets with, on Debian 12.
# Safe to run again; uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake clang libclang-rt-14-dev
  qt6-base-dev libgl-dev
  libjpeg62-turbo-dev libgif-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-arphic-ukai fonts-noto-cjk python3 python3-pil python3-numpy python3-fonttools imagemagick
  xvfb xdotool openbox valgrind xclip
  qt6-translations-l10n appstream desktop-file-utils man-db
  fairy-stockfish sjaakii xboard
)

as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
