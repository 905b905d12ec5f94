#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh" tests
"$top/scripts/build.sh"
build=${KINOREE_BUILD_DIR:-$top/build}
cd "$build"
ctest --output-on-failure -j2 "$@"
