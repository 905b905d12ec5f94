#!/usr/bin/env bash
# Configures and builds into build/ (set KINOREE_BUILD_DIR to build elsewhere): everything, or
# only the targets named, such as `build.sh KinoreeV2`.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KINOREE_BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$build" ${1:+--target "$@"}
