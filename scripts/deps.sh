#!/usr/bin/env bash
# Installs what the game, its asset generator and its tests need, from Debian's packages.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "== installing build and test dependencies"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake pkg-config clang \
  liballegro4-dev libopenmpt-dev libgtest-dev libbenchmark-dev \
  xvfb xauth xdotool x11-apps x11-utils imagemagick alsa-utils libasound2-plugins >/dev/null
