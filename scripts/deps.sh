#!/usr/bin/env bash
# Installs what the game, its asset generator, its tests and its package check need, from
# Debian's packages.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "== installing build and test dependencies"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake pkg-config clang \
  liballegro4-dev libopenmpt-dev libgtest-dev libbenchmark-dev libloadpng4-dev libpng-dev \
  desktop-file-utils appstream man-db lintian dpkg-dev file \
  xvfb xauth xdotool x11-apps x11-utils imagemagick alsa-utils libasound2-plugins >/dev/null
