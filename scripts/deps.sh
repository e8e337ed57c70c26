#!/usr/bin/env bash
# Installs, from Debian's packages, what building and running the game needs, or with --all what
# its tests, benchmarks and package check need as well.
# Usage: bash scripts/deps.sh [--all]
set -euo pipefail
# gettext makes and compiles the catalogues; appstream brings the metainfo's rules for them.
game=(build-essential cmake pkg-config liballegro4-dev libopenmpt-dev libloadpng4-dev libpng-dev
  libasound2-dev libx11-dev libxext-dev libzip-dev xdg-user-dirs gettext appstream)
tests=(clang libgtest-dev libbenchmark-dev zlib1g-dev
  desktop-file-utils shared-mime-info libxml2-utils devscripts man-db lintian dpkg-dev file
  xvfb xauth xdotool x11-apps x11-utils imagemagick alsa-utils libasound2-plugins)
packages=("${game[@]}")
what="the game's build dependencies"
if [ "${1:-}" = --all ]; then
  packages+=("${tests[@]}")
  what="the build, test and packaging dependencies"
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "== installing $what"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
