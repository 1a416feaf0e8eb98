#!/usr/bin/env python3
"""Makes the benchmark's game client: FILES files of random content (so nothing packs
smaller) in ten folders, sized like a real client: 60% of 2-64 KiB, 30% of 64 KiB-1 MiB,
10% of 1-8 MiB (about 310 MiB for 500 files). The sizes and their order come from a fixed
seed, so every run measures the same client.

    make-client.py FOLDER FILES
"""
import os
import random
import sys

KIB = 1024
MIB = 1024 * KIB


def sizes(count):
    rng = random.Random(16)
    small = round(count * 0.6)
    medium = round(count * 0.3)
    large = count - small - medium
    chosen = ([rng.randint(2 * KIB, 64 * KIB) for _ in range(small)] +
              [rng.randint(64 * KIB + 1, MIB) for _ in range(medium)] +
              [rng.randint(MIB + 1, 8 * MIB) for _ in range(large)])
    rng.shuffle(chosen)
    return chosen


def main():
    folder, count = sys.argv[1], int(sys.argv[2])
    total = 0
    for index, size in enumerate(sizes(count)):
        path = os.path.join(folder, "data", "set%d" % (index % 10), "file%04d.bin" % index)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(os.urandom(size))
        total += size
    print("client: %d files, %.1f MiB" % (count, total / MIB))


if __name__ == "__main__":
    main()
