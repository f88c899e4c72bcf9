#!/usr/bin/env python3
"""Counts the reads of calendar.ini in a folder, by phase, from Linux.

Usage: count_reads.py FOLDER
Watches FOLDER with inotify until the marker file bench-done appears, and
prints "reads_noise N" (between bench-noise-start and bench-noise-end) and
"reads_added N" (from bench-added to bench-done). A read is an open of
calendar.ini in which bytes were read: an access, then its close.
"""
import ctypes
import os
import struct
import sys

IN_ACCESS, IN_CLOSE_NOWRITE, IN_CREATE = 0x1, 0x10, 0x100
libc = ctypes.CDLL(None, use_errno=True)
fd = libc.inotify_init1(0)
folder = sys.argv[1].encode()
if fd < 0 or libc.inotify_add_watch(fd, folder, IN_ACCESS | IN_CLOSE_NOWRITE | IN_CREATE) < 0:
    sys.exit("inotify: %s" % os.strerror(ctypes.get_errno()))
print("ready", flush=True)
phase, accessed, reads = None, False, {"noise": 0, "added": 0}
markers = {b"bench-noise-start": "noise", b"bench-noise-end": None, b"bench-added": "added"}
while True:
    data = os.read(fd, 65536)
    at = 0
    while at < len(data):
        _, mask, _, length = struct.unpack_from("iIII", data, at)
        name = data[at + 16:at + 16 + length].rstrip(b"\0")
        at += 16 + length
        if mask & IN_CREATE and name == b"bench-done":
            print("reads_noise %d" % reads["noise"])
            print("reads_added %d" % reads["added"])
            sys.exit(0)
        if mask & IN_CREATE and name in markers:
            phase = markers[name]
        elif name == b"calendar.ini" and mask & IN_ACCESS:
            accessed = True
        elif name == b"calendar.ini" and mask & IN_CLOSE_NOWRITE and accessed:
            accessed = False
            if phase:
                reads[phase] += 1
