#!/usr/bin/env bash
# Builds the release package dist/dayglass-<version>-win64.zip: dayglass.exe,
# the Japanese guide (made from docs/guide-ja.md), a README for users and the
# licence, the texts as UTF-8 with a byte-order mark and CR LF so that
# Notepad opens them as they are. Beside the zip goes its SHA-256, in
# sha256sum's form, for users to compare. Building twice gives the same
# bytes: the linker writes no PE timestamp, and the archive has fixed times,
# no extra fields and a fixed order. The build folder is
# $DAYGLASS_RELEASE_DIR (default build/release). Prints the path of the zip.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DAYGLASS_RELEASE_DIR:-$root/build/release}
case $build in /*) ;; *) build=$root/$build ;; esac
version=$(sed -n 's/^project(Dayglass VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "No version in CMakeLists.txt" >&2; exit 1; }

# No tests, no hardening assertions and no symbols in what users get; the
# first two serve the test build.
cmake --preset cross -S "$root" -B "$build" -DDAYGLASS_TESTS=OFF -DDAYGLASS_HARDENED=OFF \
  "-DCMAKE_EXE_LINKER_FLAGS=-Wl,--no-insert-timestamp -s" >/dev/null
cmake --build "$build" --target dayglass >/dev/null

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$build/dayglass.exe" "$stage/"
text="/usr/bin/python3 $root/scripts/plain_text.py"
$text --markdown "$root/docs/guide-ja.md" "$stage/guide-ja.txt"
$text "$root/docs/readme-package.txt" "$stage/README.txt"
$text "$root/LICENSE" "$stage/LICENSE.txt"
chmod 644 "$stage"/*
# 2026-01-01 00:00 UTC; zip stores local time, so pin the zone too.
export TZ=UTC
touch -d @1767225600 "$stage"/*
out="$root/dist/dayglass-$version-win64.zip"
mkdir -p "$root/dist"
rm -f "$out"
(cd "$stage" && LC_ALL=C ls | LC_ALL=C sort | zip -X -D -q -9 "$out" -@)
(cd "$root/dist" && sha256sum "${out##*/}" >"${out##*/}.sha256")
echo "$out"
