#!/bin/bash
# A download under a rate limit: the launcher installs a client of one file of MIB MiB (160,
# random, so that it does not pack smaller) from nginx on 127.0.0.1 with `--limit-rate RATE`
# (5M). windows.py reads the launcher's progress line on a pseudo-terminal and prints the
# average rate and the rate of every 5-second window; goal: each within 10% of RATE.
# The client and server folders are made once and kept in WORK_DIR.
#   bench/ratelimit/run.sh BUILD_DIR [WORK_DIR]
#   environment: RATE (5M, bytes per second with k, M, G as 1024), MIB (160), LIMIT (seconds, 600)
set -euo pipefail
BUILD=$(cd "$1" && pwd)
WORK=${2:-$BUILD/bench/ratelimit-data}
RATE=${RATE:-5M}
MIB=${MIB:-160}
LIMIT=${LIMIT:-600}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../link/lib.sh
. "$HERE/../link/lib.sh"
trap stop_link_processes EXIT

mkdir -p "$WORK"
DATA=$WORK/one-$MIB
if [ ! -f "$DATA/server/updater.lst.kdz" ]; then
    rm -rf "$DATA"
    python3 "$HERE/../link/make-client.py" "$DATA/client" 1 --mib "$MIB"
    "$BUILD/kaldoria-pack" publish "$DATA/client" -o "$DATA/server" >/dev/null
fi
[ -d "$WORK/skin" ] || "$BUILD/kaldoria-pack" demo-skin -o "$WORK/skin" >/dev/null

RUN=$WORK/run
rm -rf "$RUN"
mkdir -p "$RUN/client"
start_nginx "$RUN/nginx" "$DATA/server"
make_launcher "$BUILD" "$WORK/skin" "http://127.0.0.1:$NGINX_PORT/" "KaldoriaRateBench-$$" "$RUN"
cp "$RUN/Kaldoria" "$RUN/client/Kaldoria"
# The limit in bytes per second as the launcher reads it (1024-based suffixes).
bytes=$(python3 -c 'import sys; t = sys.argv[1]; m = {"k": 1024, "m": 1024**2, "g": 1024**3}.get(t[-1].lower(), 1)
print(int(float(t[:-1] if m > 1 else t) * m))' "$RATE")
echo "launcher --limit-rate $RATE ($bytes bytes/s), $MIB MiB; load $(cut -d' ' -f1-3 /proc/loadavg)"
cd "$RUN/client"
timeout "$LIMIT" python3 "$HERE/windows.py" "$bytes" 5 0.10 -- ./Kaldoria --headless --limit-rate "$RATE"
