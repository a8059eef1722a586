#!/usr/bin/env bash
# The run command: installs what is missing, builds, makes the default show
# (soundtrack, sync script, pictures) in build/show/ if it is not there yet,
# and plays it from inside that folder, where the program finds its files.
# On a machine without a display (neither DISPLAY nor WAYLAND_DISPLAY set) it
# captures the show to build/show.mp4 instead and says where that is.
# Arguments are passed on to the program (see build/demo --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DDEMO_BENCH=OFF \
      -DDEMO_WERROR=OFF >/dev/null
cmake --build build -j "$(nproc)" --target demo make-show

# The show is made again when the generator has changed since it was made.
# It is written to a temporary folder first, so that an interrupted run never
# leaves a half-made show behind.
if [ ! -f build/show/.complete ] || [ build/make-show -nt build/show/.complete ]; then
  echo "Making the default show in build/show/ ..."
  rm -rf build/show.tmp
  build/make-show build/show.tmp
  touch build/show.tmp/.complete
  rm -rf build/show
  mv build/show.tmp build/show
fi

cd build/show
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ../demo "$@"
fi

# No display: record the show instead. The program writes the video under a
# temporary name and gives it its name only when it is complete (or stopped
# by Ctrl-C, with what was captured), so an earlier show.mp4 is replaced only
# by a playable one. A new file has a new inode: that tells whether one came.
video=$(cd .. && pwd)/show.mp4
echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): capturing the show to a video instead."
before=$(stat -c %i "$video" 2>/dev/null || true)
status=0
../demo --capture "$video" "$@" || status=$?
after=$(stat -c %i "$video" 2>/dev/null || true)
if [ -n "$after" ] && [ "$after" != "$before" ]; then
  if [ "$status" -gt 128 ]; then
    echo "Stopped early: what was captured is in $video" >&2
  elif [ "$status" = 0 ]; then
    echo "The show is in $video"
  fi
fi
exit "$status"
