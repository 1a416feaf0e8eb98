#!/usr/bin/env python3
"""Makes the two versions of the patch benchmark's game client, from fixed seeds so that every
run measures the same bytes.

    patch-client.py make FOLDER MIB     version 1: FOLDER/data/big.pak of MIB MiB of random
                                        bytes and a few small random files beside it
    patch-client.py patch FOLDER        version 2 from version 1, in place: 1 MiB of the big
                                        file rewritten in its middle and 64 KiB inserted at 1 MiB

The big file is written and rewritten 1 MiB at a time, so memory stays small at any size.
"""
import os
import random
import sys

KIB = 1024
MIB = 1024 * KIB
SMALL_FILES = [("config.ini", 3 * KIB), ("maps/world.map", 180 * KIB), ("sound/bank0.snd", 700 * KIB),
               ("sound/bank1.snd", 45 * KIB), ("text/lang.txt", 12 * KIB)]


def big_path(folder):
    return os.path.join(folder, "data", "big.pak")


def make(folder, mib):
    rng = random.Random(1)
    os.makedirs(os.path.join(folder, "data"), exist_ok=True)
    with open(big_path(folder), "wb") as out:
        for _ in range(mib):
            out.write(rng.randbytes(MIB))
    for name, size in SMALL_FILES:
        path = os.path.join(folder, "data", name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(rng.randbytes(size))
    print("client version 1: %d MiB big file and %d small files" % (mib, len(SMALL_FILES)))


def copy(source, out, length):
    while length > 0:
        block = source.read(min(length, MIB))
        if not block:
            raise SystemExit("the big file is shorter than expected")
        out.write(block)
        length -= len(block)


def patch(folder):
    rng = random.Random(2)
    path = big_path(folder)
    size = os.path.getsize(path)
    middle = size // 2
    if size < 4 * MIB:
        raise SystemExit("the big file needs at least 4 MiB")
    fresh = path + ".new"
    with open(path, "rb") as source, open(fresh, "wb") as out:
        copy(source, out, MIB)
        out.write(rng.randbytes(64 * KIB))
        copy(source, out, middle - MIB)
        source.seek(MIB, os.SEEK_CUR)
        out.write(rng.randbytes(MIB))
        copy(source, out, size - middle - MIB)
    os.replace(fresh, path)
    print("client version 2: 1 MiB rewritten at %d, 64 KiB inserted at 1 MiB" % middle)


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "make":
        make(sys.argv[2], int(sys.argv[3]))
    elif len(sys.argv) == 3 and sys.argv[1] == "patch":
        patch(sys.argv[2])
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
