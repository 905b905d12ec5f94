#!/usr/bin/env bash
# Sets up, builds and runs Kinoree: only the program, so that its window comes quickly (the
# tests are scripts/test.sh's). Without a camera it shows the built-in test scene.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" KinoreeV2
build=${KINOREE_BUILD_DIR:-$top/build}
if [ -z "${KINOREE_CAPTURE_DEVICE:-}" ] && ! ls /dev/video* >/dev/null 2>&1; then
  echo "No camera found: showing the built-in test scene (KINOREE_CAPTURE_DEVICE=test)."
  export KINOREE_CAPTURE_DEVICE=test
fi
exec "$build/app/KinoreeV2" "$@"
