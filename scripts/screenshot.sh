#!/usr/bin/env bash
# Remakes docs/screenshot.png, the README's picture: the main dialog with the built-in test
# scene, on a virtual X server.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh" tests
"$top/scripts/build.sh" KinoreeV2
build=${KINOREE_BUILD_DIR:-$top/build}
# A home folder whose name reads well in the File Name box.
home=/tmp/kinoree-user
rm -rf "$home"
trap 'rm -rf "$home"' EXIT
KINOREE_E2E_HOME=$home KINOREE_SCREENSHOT="$top/docs/screenshot.png" \
  bash "$top/tests/e2e/kinoree_e2e.sh" "$build/app/KinoreeV2" screenshot
