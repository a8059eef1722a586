#!/usr/bin/env bash
# Installs the Debian packages the project needs that are not installed yet.
# Usage: scripts/deps.sh build|test
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libsdl2-dev libx11-dev libmpg123-dev
          libjpeg62-turbo-dev libavformat-dev libavcodec-dev libswscale-dev libswresample-dev
          libavutil-dev libpng-dev libdeflate-dev libmp3lame-dev libfreetype-dev fonts-dejavu-core)
if [ "${1:-build}" = test ]; then
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev clang libclang-rt-14-dev
             xvfb xauth openbox xdotool x11-utils x11-apps ffmpeg)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing missing Debian packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then sudo_cmd=(sudo); else
    echo "error: need root (or sudo) to install: ${missing[*]}" >&2; exit 1; fi
fi
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo_cmd[@]}" apt-get update -q || \
   ! "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"; then
  echo "error: apt-get could not install: ${missing[*]}" >&2
  echo "       install them by hand, then run this command again." >&2
  exit 1
fi
