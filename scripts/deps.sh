#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need, when any is missing.
# Sourced or run by scripts/run.sh and scripts/test.sh; needs root (or sudo) only when
# something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libgl-dev libgl1-mesa-dri libglu1-mesa-dev
  libopenal-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libssl-dev
  xvfb xauth
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
