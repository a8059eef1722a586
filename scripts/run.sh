#!/usr/bin/env bash
# The run command: installs what is missing, builds, makes the default show
# (soundtrack, sync script, pictures) in build/show/ if it is not there yet,
# and plays it from inside that folder, where the program finds its files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DDEMO_BENCH=OFF >/dev/null
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
exec ../demo "$@"
