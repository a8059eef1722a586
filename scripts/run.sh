#!/usr/bin/env bash
# The run command: installs what is missing, builds, and plays the show.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DDEMO_BENCH=OFF >/dev/null
cmake --build build -j "$(nproc)" --target demo
exec build/demo "$@"
