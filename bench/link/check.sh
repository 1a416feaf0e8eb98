#!/bin/bash
# Checks the link emulator against nginx on 127.0.0.1 with curl, at 25 MB/s and a round trip
# of 40 ms, then of 150 ms: a fresh connection's first byte of a small file (about two round
# trips: the handshake, then the request), a 50 MiB file (about its size over the rate, plus
# those two round trips), and four 8 MiB files at once (the rate is shared: each takes about
# four times as long as alone, and about as long as the others); then one connection shaped to
# a rate of its own beside a fast one. Prints measured against expected figures; the exit code
# is 1 when any is off by more than the tolerance shown.
#   bench/link/check.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "$1" && pwd)
RATE=25M
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$HERE/lib.sh"

WORK=$(mktemp -d /tmp/kaldoria-link-check.XXXXXX)
trap 'stop_link_processes; rm -rf "$WORK"' EXIT
mkdir -p "$WORK/www"
head -c 1024 /dev/urandom >"$WORK/www/small.bin"
head -c $((50 << 20)) /dev/urandom >"$WORK/www/big.bin"
for i in 1 2 3 4; do head -c $((8 << 20)) /dev/urandom >"$WORK/www/part$i.bin"; done
start_nginx "$WORK/nginx" "$WORK/www"
BYTES_PER_SECOND=$(rate_bytes "$RATE")
FAILED=0

# report WHAT MEASURED EXPECTED: one line; off when below 0.97 x or above 1.25 x + 20 ms.
report() {
    local verdict
    verdict=$(awk -v m="$2" -v e="$3" 'BEGIN { print (m >= 0.97 * e && m <= 1.25 * e + 0.02) ? "ok" : "OFF" }')
    [ "$verdict" = ok ] || FAILED=1
    printf '  %-44s measured %7.3f s  expected %7.3f s  %s\n' "$1" "$2" "$3" "$verdict"
}

fetch() { curl -sS -o /dev/null -w "$2" --max-time 120 "http://127.0.0.1:$EMULATOR_PORT/$1"; }

for rtt in 40 150; do
    start_emulator "$BUILD" "$NGINX_PORT" "$rtt" "$RATE"
    rtt_s=$(echo "scale=3; $rtt / 1000" | bc)
    echo "round trip $rtt ms, rate $RATE bytes/s"
    first=$(for _ in 1 2 3; do fetch small.bin '%{time_starttransfer}\n'; done | sort -n | sed -n 2p)
    report "first byte of 1 KiB, fresh curl (median of 3)" "$first" "$(echo "2 * $rtt_s" | bc)"
    report "50 MiB file" "$(fetch big.bin '%{time_total}')" \
        "$(echo "scale=3; 2 * $rtt_s + $((50 << 20)) / $BYTES_PER_SECOND" | bc)"
    expected=$(echo "scale=3; 2 * $rtt_s + 4 * $((8 << 20)) / $BYTES_PER_SECOND" | bc)
    pids=()
    for i in 1 2 3 4; do
        fetch "part$i.bin" '%{time_total}' >"$WORK/part$i.time" &
        pids+=("$!")
    done
    wait "${pids[@]}"
    for i in 1 2 3 4; do report "8 MiB file $i of 4 at once" "$(cat "$WORK/part$i.time")" "$expected"; done
    kill "${LINK_PIDS[-1]}"
    unset 'LINK_PIDS[-1]'
done

# One connection shaped apart: the second a client opens gets 2 kB/s of its own while the
# third, opened as it trickles, still gets the whole shared rate.
start_emulator "$BUILD" "$NGINX_PORT" 40 "$RATE" "" --slow-connection 2 --slow-rate 2k
echo "round trip 40 ms, rate $RATE bytes/s, connection 2 at 2000 bytes/s"
fetch small.bin '' >/dev/null
fetch small.bin '%{size_header} %{size_download} %{time_total}\n' >"$WORK/slow.time" &
slow=$!
sleep 0.2
report "50 MiB file beside the slow connection" "$(fetch big.bin '%{time_total}')" \
    "$(echo "scale=3; 0.08 + $((50 << 20)) / $BYTES_PER_SECOND" | bc)"
wait "$slow"
read -r header body seconds <"$WORK/slow.time"
# Its bucket starts full: a tenth of a second of its rate (200 bytes) comes at once.
report "1 KiB file over the slow connection" "$seconds" "$(echo "scale=3; 0.08 + ($header + $body - 200) / 2000" | bc)"
exit $FAILED
