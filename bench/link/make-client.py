#!/usr/bin/env python3
"""Makes a benchmark's game client: FILES files in ten folders, sized like a real client:
60% of 2-64 KiB, 30% of 64 KiB-1 MiB, 10% of 1-8 MiB (about 310 MiB for 500 files). The
sizes and their order come from a fixed seed, so every run measures the same client.

    make-client.py FOLDER FILES [--mib TOTAL] [--half-repeated]

--mib scales every size by one factor so that the client holds about TOTAL MiB (the mix
stays the same). The content is random, so nothing packs smaller; with --half-repeated,
every other MiB of a file is one random 4 KiB block repeated, so a file packs to about half.
"""
import argparse
import os
import random

KIB = 1024
MIB = 1024 * KIB


def sizes(count, total_mib):
    rng = random.Random(16)
    small = round(count * 0.6)
    medium = round(count * 0.3)
    large = count - small - medium
    chosen = ([rng.randint(2 * KIB, 64 * KIB) for _ in range(small)] +
              [rng.randint(64 * KIB + 1, MIB) for _ in range(medium)] +
              [rng.randint(MIB + 1, 8 * MIB) for _ in range(large)])
    rng.shuffle(chosen)
    if total_mib:
        scale = total_mib * MIB / sum(chosen)
        chosen = [max(1, round(size * scale)) for size in chosen]
    return chosen


def write_file(path, size, half_repeated):
    repeated = os.urandom(4 * KIB) * (MIB // (4 * KIB))
    with open(path, "wb") as out:
        for index, start in enumerate(range(0, size, MIB)):
            length = min(MIB, size - start)
            out.write(repeated[:length] if half_repeated and index % 2 else os.urandom(length))


def main():
    parser = argparse.ArgumentParser(description="Makes a benchmark's game client.")
    parser.add_argument("folder")
    parser.add_argument("files", type=int)
    parser.add_argument("--mib", type=float, help="scale the sizes to about this many MiB in all")
    parser.add_argument("--half-repeated", action="store_true",
                        help="every other MiB of a file repeats one random 4 KiB block")
    args = parser.parse_args()
    total = 0
    for index, size in enumerate(sizes(args.files, args.mib)):
        path = os.path.join(args.folder, "data", "set%d" % (index % 10), "file%04d.bin" % index)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        write_file(path, size, args.half_repeated)
        total += size
    print("client: %d files, %.1f MiB" % (args.files, total / MIB))


if __name__ == "__main__":
    main()
