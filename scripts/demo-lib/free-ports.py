#!/usr/bin/env python3
"""Prints COUNT distinct TCP ports that are free on every local address right now."""

import socket
import sys

sockets = []
for _ in range(int(sys.argv[1]) if len(sys.argv) > 1 else 1):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.bind(("", 0))
    sockets.append(s)
print(" ".join(str(s.getsockname()[1]) for s in sockets))
for s in sockets:
    s.close()
