#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, when it is missing.
set -eu
packages="cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64-tools googletest
  wine wine64 xvfb xauth xdotool imagemagick fonts-noto-cjk fonts-dejavu-core
  python3 python3-fonttools fonts-wine clang-format locales zip unzip git binutils-mingw-w64-x86-64
  faketime"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends $missing
fi
# Wine shows Japanese text only under a Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
