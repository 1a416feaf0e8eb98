#!/usr/bin/env bash
# Cutting speed, then what publishing with chunks costs and saves on a client with one large
# file: the first publication, the same client republished unchanged (no chunk may be new),
# and a patch (MIB MiB changed in the middle of the large file and 64 KiB inserted near its
# start) with the bytes a player of the previous version fetches against the archive.
# Usage: bench/chunks/run.sh [BUILD_DIR] [WORK_DIR]; SIZE_MIB (default 1024) sets the large
# file's size. WORK_DIR (default: a new folder under /tmp) is removed at the end.
set -euo pipefail
build=${1:-build}
work=${2:-$(mktemp -d /tmp/kaldoria-chunks-bench.XXXXXX)}
size_mib=${SIZE_MIB:-1024}
mib=${MIB:-1}
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target kaldoria-cut-bench kaldoria-pack >/dev/null
"$build/bench/kaldoria-cut-bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

pack=$(realpath "$build/kaldoria-pack")
mkdir -p "$work/client/data"
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$work/client/data/big.pak"
for i in $(seq 1 20); do head -c 200000 /dev/urandom >"$work/client/data/small$i.dat"; done

publish() {
    local label=$1 start end
    start=$(date +%s.%N)
    "$pack" publish "$work/client" -o "$work/server" --chunks | grep -E '^(chunks|a player|no earlier)' | sed "s/^/  /"
    end=$(date +%s.%N)
    echo "  $label took $(awk "BEGIN { printf \"%.1f\", $end - $start }") s"
}

echo "first publication of $size_mib MiB + 20 x 200 KB:"
publish "first publication"
echo "republished unchanged:"
publish "republishing"

# The patch: MIB MiB rewritten in the middle, 64 KiB inserted at 1 MiB.
python3 - "$work/client/data/big.pak" "$mib" <<'PY'
import os, sys
path, mib = sys.argv[1], int(sys.argv[2])
with open(path, "rb") as f:
    data = bytearray(f.read())
middle = len(data) // 2
data[middle:middle + mib * 1048576] = os.urandom(mib * 1048576)
data[1048576:1048576] = os.urandom(65536)
with open(path, "wb") as f:
    f.write(data)
PY
echo "patched ($mib MiB changed in the middle, 64 KiB inserted at 1 MiB):"
publish "patch publication"
