#!/usr/bin/env python3
"""Makes a complete client folder out of date the way players' folders get out of date:
removes MISSING files (always including system/kd.exe, so the game itself must be fetched)
and damages DAMAGED others, half of them with bytes changed in place (same size), half cut
short. Prints what it did."""

import os
import random
import sys

folder, missing, damaged = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(7)
files = sorted(os.path.relpath(os.path.join(d, f), folder)
               for d, _, names in os.walk(folder) for f in names)
data_files = [f for f in files if f.split(os.sep)[0] not in ("system", "system_de")]
chosen = rng.sample(data_files, missing - 1 + damaged)

removed = ["system/kd.exe"] + chosen[:missing - 1]
for name in removed:
    os.remove(os.path.join(folder, name))

changed = chosen[missing - 1:]
for i, name in enumerate(changed):
    path = os.path.join(folder, name)
    size = os.path.getsize(path)
    with open(path, "r+b") as f:
        if i % 2 == 0 and size > 0:
            f.seek(size // 2)
            byte = f.read(1)
            f.seek(size // 2)
            f.write(bytes([byte[0] ^ 0xFF]))
        else:
            f.truncate(size // 2)
print("client folder: %d of %d files removed, %d damaged (%d in place, %d cut short)"
      % (len(removed), len(files), len(changed), (len(changed) + 1) // 2, len(changed) // 2))
