#!/usr/bin/env bash
# Makes the Debian package, build-package/kinoree_2.0_amd64.deb, from a build of the program
# alone (set KINOREE_PACKAGE_DIR to build elsewhere).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KINOREE_PACKAGE_DIR:-$top/build-package}
"$top/scripts/setup.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKINOREE_BUILD_TESTS=OFF -DKINOREE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build"
(cd "$build" && cpack -G DEB)
