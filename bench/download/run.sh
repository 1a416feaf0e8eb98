#!/bin/sh
# Runs the download benchmark: 1 GiB at full speed, then 256 MiB with nginx limiting every
# connection to 20 MB/s (one connection's rate is what curl reaches there).
# Usage: bench/download/run.sh [BUILD_DIR]   (default: build)
set -e
build=${1:-build}
cmake --build "$build" --target kaldoria-download-bench
"$build/bench/kaldoria-download-bench" --size 1024 --runs 3
"$build/bench/kaldoria-download-bench" --size 256 --rate 20m --runs 1
