#!/usr/bin/env python3
"""Compares a client folder with an update server's list text (updater.lst): prints how many
listed files match their MD5 digest and names those that do not. Exit code 1 on any mismatch."""

import hashlib
import os
import sys

list_file, folder = sys.argv[1], sys.argv[2]
good, bad = 0, []
with open(list_file, "rb") as f:
    for raw in f.read().decode("latin-1").splitlines():
        if raw.lstrip().startswith("#"):
            break  # the required and deletion sections follow
        fields = raw.split("|")
        if len(fields) < 5:
            continue
        path = os.path.join(folder, *fields[1].strip("\\").split("\\"))
        try:
            with open(path, "rb") as g:
                digest = hashlib.md5(g.read()).hexdigest().upper()
        except OSError:
            digest = "missing"
        if digest == fields[0]:
            good += 1
        else:
            bad.append(fields[1])
print("client check: %d of %d listed files match the server%s"
      % (good, good + len(bad), "" if not bad else ", differing: " + " ".join(bad[:10])))
sys.exit(1 if bad else 0)
