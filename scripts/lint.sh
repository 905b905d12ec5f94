#!/usr/bin/env bash
# Runs clang-tidy, configured by the tree's .clang-tidy, over the tree's own sources and fails on
# any warning. Needs a configured build for its compile_commands.json (scripts/build.sh makes one).
#
#   lint.sh [build-dir]      default: build
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
if [ ! -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json is missing; configure the build first" >&2
  exit 2
fi

# Generated sources (moc, resources) live in the build folder and are left out; two jobs, as the
# machine is shared.
run-clang-tidy -quiet -j 2 -p "$build" "^$root/(app|ui|capture|res|media|platform|tests|bench)/"
