#!/usr/bin/env python3
"""Writes the demo game client: a few hundred data files of varied sizes in sub-folders, a
small "kd.exe" in each language folder that records how it was started, and one settings
file per game proxy. The same seed always gives the same client, byte for byte."""

import argparse
import os
import random
import stat

KD_EXE = """#!/bin/sh
# The demo game client. The launcher starts it in its language folder with the chosen
# proxy's settings file as the argument; it writes what it received to kd-started.txt
# beside itself, which the demo reads as proof that the game started.
here=$(cd "$(dirname "$0")" && pwd)
{
    echo "started: $(date -u '+%Y-%m-%d %H:%M:%S UTC')"
    echo "argument: ${1:-<none>}"
    echo "folder: $(pwd)"
    echo "kd.ini: $(grep -m1 '^name=' kd.ini 2>/dev/null || echo '<none>')"
} >"$here/kd-started.txt"
echo "demo game: started with argument '${1:-}'"
"""

FOLDERS = ["data", "data/maps", "data/maps/north", "data/sounds", "textures", "textures/ui",
           "textures/units", "music", "scripts"]
WORDS = ("orc knight castle river dragon forest mine gold quest tavern shield sword "
         "village tower bridge storm harbour lantern scroll").split()


def text_bytes(rng, size):
    """Compressible content: lines of words, like the game's own data tables."""
    out = bytearray()
    while len(out) < size:
        out += (" ".join(rng.choice(WORDS) for _ in range(12)) + "\r\n").encode()
    return bytes(out[:size])


def file_size(rng):
    """Mostly small files, some medium ones, a few large ones (about 25 MB in all)."""
    roll = rng.random()
    if roll < 0.70:
        return rng.randint(0, 32 * 1024)
    if roll < 0.97:
        return rng.randint(32 * 1024, 256 * 1024)
    return rng.randint(512 * 1024, 2 * 1024 * 1024)


def write(path, data, mode=0o644):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.chmod(path, mode)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("folder", help="the client folder to write (created)")
    parser.add_argument("--files", type=int, default=300, help="number of data files")
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--proxy", action="append", default=[], metavar="NAME:FILE:ADDRESS:PORT",
                        help="a game proxy and its settings file (repeatable)")
    parser.add_argument("--lang-folder", action="append", default=[], metavar="FOLDER",
                        help="a client language folder holding kd.exe (repeatable; default: system)")
    args = parser.parse_args()

    rng = random.Random(args.seed)
    for i in range(args.files):
        folder = rng.choice(FOLDERS)
        extension = rng.choice([".dat", ".txt", ".map", ".snd", ".tex"])
        path = os.path.join(args.folder, folder, "%s_%03d%s" % (rng.choice(WORDS), i, extension))
        size = file_size(rng)
        # Half the files compress well (text); the others are noise, like sounds and images.
        data = text_bytes(rng, size) if rng.random() < 0.5 else rng.randbytes(size)
        write(path, data)

    for lang in args.lang_folder or ["system"]:
        base = os.path.join(args.folder, lang)
        write(os.path.join(base, "kd.exe"), KD_EXE.encode(), 0o755)
        write(os.path.join(base, "readme.txt"), ("Kaldoria demo client, language folder %s\r\n" % lang).encode())
        for entry in args.proxy:
            name, filename, address, port = entry.split(":")
            settings = "[network]\r\nname=%s\r\naddress=%s\r\nport=%s\r\n" % (name, address, port)
            write(os.path.join(base, filename), settings.encode())


if __name__ == "__main__":
    main()
