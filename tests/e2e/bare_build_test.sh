#!/usr/bin/env bash
# The run command's build on a machine without the test-only packages
# (GoogleTest/GoogleMock, Google Benchmark, pixman): in a private mount
# namespace their headers, CMake package folders and pkg-config files are
# covered by empty ones, then a fresh tree is configured with the run
# command's options, its targets are built and the program is started.
# Needs root (for unshare -m and the bind mounts); skipped (exit 77) without.
#   SOURCE  the source tree        TREE  the build tree to (re)make
set -euo pipefail
SOURCE=${SOURCE:?SOURCE must name the source tree}
TREE=${TREE:?TREE must name the build tree to make}
skip=77

if [ -z "${DEMO_BARE_NAMESPACE:-}" ]; then
  if [ "$(id -u)" -ne 0 ]; then echo "SKIP: needs root to hide the test packages"; exit $skip; fi
  if ! command -v unshare >/dev/null; then echo "SKIP: unshare is missing"; exit $skip; fi
  if ! unshare -m --propagation private true 2>/dev/null; then
    echo "SKIP: cannot make a mount namespace here"; exit $skip
  fi
  exec env DEMO_BARE_NAMESPACE=1 unshare -m --propagation private "$0" "$@"
fi

fail() { echo "FAIL: $*" >&2; exit 1; }
empty_dir=$(mktemp -d)
empty_file=$(mktemp)
trap 'rm -rf "$empty_dir" "$empty_file"' EXIT

# The mounts vanish with the namespace when this script ends.
for dir in /usr/include/gtest /usr/include/gmock /usr/include/benchmark /usr/include/pixman-1 \
           /usr/lib/*/cmake/GTest /usr/lib/*/cmake/benchmark /usr/lib/cmake/GTest \
           /usr/lib/cmake/benchmark /usr/share/cmake/GTest; do
  if [ -d "$dir" ]; then mount --bind "$empty_dir" "$dir"; fi
done
for pc in /usr/lib/*/pkgconfig /usr/lib/pkgconfig /usr/share/pkgconfig; do
  for name in gtest gtest_main gmock gmock_main benchmark benchmark_main pixman-1; do
    if [ -f "$pc/$name.pc" ]; then mount --bind "$empty_file" "$pc/$name.pc"; fi
  done
done
# The packages must really be out of reach, or the test proves nothing.
if [ -e /usr/include/gtest/gtest.h ] || [ -e /usr/include/benchmark/benchmark.h ] ||
   pkg-config --exists pixman-1 2>/dev/null || pkg-config --exists gtest 2>/dev/null; then
  fail "the test packages are still visible"
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
rm -rf "$TREE"
# The configure options and targets of scripts/run.sh.
timeout 120 cmake -S "$SOURCE" -B "$TREE" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_TESTING=OFF -DDEMO_BENCH=OFF -DDEMO_WERROR=OFF "${launcher[@]}" >"$TREE.configure.log" 2>&1 ||
  { cat "$TREE.configure.log" >&2; fail "configure failed"; }
timeout 1000 cmake --build "$TREE" -j "$(nproc)" --target demo make-show >"$TREE.build.log" 2>&1 ||
  { tail -n 50 "$TREE.build.log" >&2; fail "build failed"; }
version=$("$TREE/demo" --version) || fail "demo --version failed"
echo "$version"
[ -n "$version" ] || fail "demo --version printed nothing"
rm -f "$TREE.configure.log" "$TREE.build.log"
echo PASS
