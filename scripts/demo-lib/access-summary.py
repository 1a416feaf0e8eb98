#!/usr/bin/env python3
"""Reads the demo nginx access log (format: method path status bytes) and prints how many
client files the launcher fetched and how many bytes it downloaded, the list included."""

import sys

files, total, requests = set(), 0, 0
with open(sys.argv[1]) as f:
    for line in f:
        parts = line.split()
        if len(parts) != 4 or parts[0] != "GET" or parts[2] not in ("200", "206"):
            continue
        requests += 1
        total += int(parts[3])
        path = parts[1].split("?")[0]
        if path.endswith(".kdz") and not path.endswith("/updater.lst.kdz"):
            files.add(path)
print("%d %d %d" % (len(files), total, requests))
