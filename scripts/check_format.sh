#!/usr/bin/env bash
# Fails, naming the files, when a C++ file of the tree is not laid out as .clang-format says.
# `clang-format -i FILE` mends one.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if git rev-parse --git-dir >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find app ui capture res platform media tests bench -name '*.cpp' -o -name '*.h')
fi
clang-format --dry-run --Werror "${files[@]}"
