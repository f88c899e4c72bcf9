#!/usr/bin/env bash
# Fails when a C++ source differs from what clang-format makes of it.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
files=$(git ls-files -co --exclude-standard -- '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
[ -n "$files" ] || exit 0
clang-format --dry-run --Werror $files
