#!/usr/bin/env bash
# Configures and builds into ./build (BUILD_DIR overrides it).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build}"
jobs="${JOBS:-$(nproc)}"
launcher=()
# A compiler cache, where one is installed, makes rebuilds in other
# checkouts of the same sources cheap; the build does not need it.
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${launcher[@]}" "$@" >/dev/null
cmake --build "$build_dir" -j "$jobs"
