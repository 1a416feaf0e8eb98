#!/bin/sh
# Runs the extraction benchmark: ExtractArchive against `unrar x`, 1 GiB in 200 files.
# Usage: bench/unpack/run.sh [BUILD_DIR]   (default: build)
set -e
build=${1:-build}
cmake --build "$build" --target kaldoria-unpack-bench
"$build/bench/kaldoria-unpack-bench" --size 1024 --files 200 --runs 5
