#!/usr/bin/env bash
# Configures and builds the cross build in $DAYGLASS_BUILD_DIR (default build/cross).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DAYGLASS_BUILD_DIR:-$root/build/cross}
case $build in /*) ;; *) build=$root/$build ;; esac
cmake --preset cross -S "$root" -B "$build" "$@" >/dev/null
cmake --build "$build"
