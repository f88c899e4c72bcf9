#!/usr/bin/env bash
# Prepares filesystems for the save-fault tests, or removes them:
#   faultfs.sh setup DIR DAYGLASS_EXE   DIR/full: 2 MiB tmpfs to fill up;
#                                       DIR/readonly: a folder that cannot be written
#   faultfs.sh cleanup DIR
# Without permission to mount, it leaves DIR/unavailable and the tests skip.
set -u
action=$1 dir=$2
case $action in
setup)
  "$0" cleanup "$dir" >/dev/null 2>&1
  mkdir -p "$dir/full" "$dir/readonly"
  if ! mount -t tmpfs -o size=2m dayglass-full "$dir/full" 2>/dev/null ||
    ! mount -t tmpfs -o size=4m dayglass-ro "$dir/readonly" 2>/dev/null; then
    umount "$dir/full" 2>/dev/null
    echo "cannot mount here: the fault tests that need it will skip" >"$dir/unavailable"
    exit 0
  fi
  cp "$3" "$dir/readonly/dayglass.exe"
  printf '\xEF\xBB\xBF[Window]\r\nWinW=333\r\n[Schedules]\r\n0001=2030/01/02 03:04|kept|\r\n' \
    >"$dir/readonly/calendar.ini"
  mount -o remount,ro "$dir/readonly"
  ;;
cleanup)
  umount -l "$dir/full" 2>/dev/null
  umount -l "$dir/readonly" 2>/dev/null
  rm -rf "$dir"
  ;;
esac
exit 0
