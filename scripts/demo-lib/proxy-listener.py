#!/usr/bin/env python3
"""A stand-in game proxy: accepts TCP connections on ADDRESS:PORT and closes them at once,
counting them in COUNT_FILE. The launcher only checks that a proxy accepts a connection."""

import socket
import sys

address, port, count_file = sys.argv[1], int(sys.argv[2]), sys.argv[3]
server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind((address, port))
server.listen(16)
accepted = 0
with open(count_file, "w") as f:
    f.write("0\n")
while True:
    connection, _ = server.accept()
    connection.close()
    accepted += 1
    with open(count_file, "w") as f:
        f.write("%d\n" % accepted)
