#!/usr/bin/env bash
# Runs the benchmarks of src/filelist and prints the ratios against their peers:
#   bench/filelist/run.sh [BUILD_DIR]        (default: build)
# 1. MD5 on a stream in 8 KiB blocks: ours against OpenSSL's EVP MD5, same binary.
# 2. 1 GiB in 200 files (page cache), 3 threads, against one md5sum over the same files.
# 3. 20,000 files of 4 KiB, 3 threads, against find -print0 | xargs -0 -P3 md5sum.
# The files live in a folder under /tmp that is removed at the end.
set -euo pipefail

build=$(realpath "${1:-build}")
md5bench="$build/bench/kaldoria-md5-bench"
hasher="$build/bench/kaldoria-hash-folder"
for tool in "$md5bench" "$hasher"; do
    [ -x "$tool" ] || { echo "run.sh: $tool not built (cmake --build $build --target $(basename "$tool"))" >&2; exit 1; }
done
for tool in hyperfine md5sum python3; do
    command -v "$tool" >/dev/null || { echo "run.sh: $tool is needed" >&2; exit 1; }
done

work=$(mktemp -d /tmp/kaldoria-filelist-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "== MD5, 8 KiB blocks"
"$md5bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=json >"$work/md5.json" 2>/dev/null
python3 - "$work/md5.json" <<'PY'
import json, sys
runs = {b["run_name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"] if b.get("aggregate_name") == "median"}
ours, ssl = runs["OurMd5"], runs["OpenSslMd5"]
print(f"ours    {ours['bytes_per_second'] / 1e6:7.1f} MB/s  {ours['cycles_per_byte']:.2f} cycles/byte")
print(f"OpenSSL {ssl['bytes_per_second'] / 1e6:7.1f} MB/s  {ssl['cycles_per_byte']:.2f} cycles/byte")
print(f"ratio ours/OpenSSL: {ours['bytes_per_second'] / ssl['bytes_per_second']:.3f}  (goal >= 0.95)")
PY

# Median times of the hyperfine commands (ours first) and each peer's time / our time.
compare() {
    python3 - "$1" <<'PY'
import json, sys
ours, *peers = json.load(open(sys.argv[1]))["results"]
print(f"ours {ours['median']:.3f} s (median; user {ours['user']:.3f} s, system {ours['system']:.3f} s)")
for peer in peers:
    print(f"peer {peer['median']:.3f} s (median; user {peer['user']:.3f} s, system {peer['system']:.3f} s): "
          f"speed ratio ours/peer {peer['median'] / ours['median']:.2f}  [{peer['command']}]")
PY
}

echo "== 1 GiB in 200 files, 3 threads, against one md5sum"
mkdir "$work/big"
head -c $(((1 << 30) / 200)) /dev/urandom >"$work/big/f000.bin"
for i in $(seq -w 1 199); do cp "$work/big/f000.bin" "$work/big/f$i.bin"; done
cat "$work"/big/* >/dev/null # into the page cache
# The third command, two md5sum processes over the two halves, shows how much of the second
# core the machine offers at the time of the run (a shared machine may offer little of it).
hyperfine --style basic -w 1 -r 5 --export-json "$work/big.json" \
    "'$hasher' '$work/big' 3" "md5sum '$work'/big/* >/dev/null" \
    "md5sum '$work'/big/f0* >/dev/null & md5sum '$work'/big/f1* >/dev/null; wait" >/dev/null
compare "$work/big.json"
echo "   (goal >= 1.8 against one md5sum)"
rm -rf "$work/big"

echo "== 20,000 files of 4 KiB, 3 threads, against xargs -P3 md5sum"
python3 - "$work/small" <<'PY'
import os, sys
root = sys.argv[1]
block = os.urandom(4096)
for d in range(20):
    folder = os.path.join(root, f"d{d:02}")
    os.makedirs(folder)
    for f in range(1000):
        with open(os.path.join(folder, f"f{f:04}.dat"), "wb") as out:
            out.write(block[f % 64:] + block[:f % 64])
PY
hyperfine --style basic -w 1 -r 7 --export-json "$work/small.json" \
    "'$hasher' '$work/small' 3" "find '$work/small' -type f -print0 | xargs -0 -P3 md5sum >/dev/null" >/dev/null
compare "$work/small.json"
echo "   (goal > 1)"

echo "== peak memory, 3 threads, 1 MiB against 64 MiB files"
mkdir "$work/mem"
head -c $((1 << 20)) /dev/urandom >"$work/mem/small.bin"
head -c $((64 << 20)) /dev/urandom >"$work/mem/large.bin"
for f in small large; do
    mkdir "$work/mem/$f" && mv "$work/mem/$f.bin" "$work/mem/$f/"
    /usr/bin/time -f "$f file: peak RSS %M KiB" "$hasher" "$work/mem/$f" 3 >/dev/null
done
