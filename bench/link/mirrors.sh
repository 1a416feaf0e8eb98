#!/bin/bash
# Two update servers at once: a fresh install by the launcher from one server behind an
# emulated link of RATE bytes per second, then from two such servers (two emulators in front of
# the same nginx), then from two with the second one's emulator killed KILL_AT seconds into the
# install. Prints the median time of RUNS runs of the first two and their ratio, and for the
# last one the bytes beyond the packed files that the launcher received (what it fetched again)
# and that nginx sent (that, plus what the killed link held when it died), and the launcher's
# tally of each server.
# The client (FILES files of about MIB MiB in all) is made and published once and kept in WORK_DIR.
#   bench/link/mirrors.sh BUILD_DIR [WORK_DIR]
#   environment: RTT (40), RATE (10M), FILES (100), MIB (300), KILL_AT (seconds, 10), RUNS (1),
#                LIMIT (seconds each run may take, 1800)
set -euo pipefail
BUILD=$(cd "$1" && pwd)
WORK=${2:-$BUILD/bench/link-data}
RTT=${RTT:-40}
RATE=${RATE:-10M}
FILES=${FILES:-100}
MIB=${MIB:-300}
KILL_AT=${KILL_AT:-10}
RUNS=${RUNS:-1}
LIMIT=${LIMIT:-1800}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$HERE/lib.sh"
prepare_work_folder

prepare_mixed_client
PACKED_BYTES=$(cd "$SERVER" && find . -name '*.kdz' -printf '%s\n' | awk '{ s += $1 } END { print s }')
LIST_BYTES=$(stat -c %s "$SERVER/updater.lst.kdz")
start_nginx "$RUN/nginx" "$SERVER"

# install MODE SERVERS [KILL]: a fresh install through SERVERS (1 or 2) emulators of their own,
# the second one killed KILL seconds in when given; sets TOOK to the seconds it took and SENT
# to the body bytes nginx sent meanwhile.
install() {
    local mode=$1 servers=$2 kill_at=${3:-} urls="" pids=() t0 t1 found from killer=""
    for _ in $(seq "$servers"); do
        start_emulator "$BUILD" "$NGINX_PORT" "$RTT" "$RATE"
        urls="$urls http://127.0.0.1:$EMULATOR_PORT/"
        pids+=("$EMULATOR_PID")
    done
    make_launcher "$BUILD" "$WORK/skin" "$urls" "KaldoriaMirrorBench-$$-$mode" "$RUN/$mode"
    rm -rf "$RUN/client"
    mkdir -p "$RUN/client"
    cp "$RUN/$mode/Kaldoria" "$RUN/client/Kaldoria"
    from=$(wc -l <"$RUN/nginx/access.log")
    if [ -n "$kill_at" ]; then
        (sleep "$kill_at" && kill "${pids[1]}") &
        killer=$!
    fi
    t0=$(now)
    bounded env -C "$RUN/client" ./Kaldoria -debug --headless >"$RUN/$mode.log" 2>&1 ||
        fail "the launcher failed (exit code $?); its last lines:" "$RUN/$mode.log"
    t1=$(now)
    [ -z "$killer" ] || wait "$killer" || true
    found=$(tree_sum "$RUN/client")
    [ "$found" = "$CLIENT_SUM" ] || fail "the client holds $found (files, bytes), expected $CLIENT_SUM"
    grep -h "Update server" "$RUN/client"/log.err >"$RUN/$mode.servers" 2>/dev/null || true
    kill "${pids[@]}" 2>/dev/null || true
    for _ in "${pids[@]}"; do unset 'LINK_PIDS[-1]'; done
    TOOK=$(printf '%.2f' "$(echo "$t1 - $t0" | bc)")
    SENT=$(tail -n +"$((from + 1))" "$RUN/nginx/access.log" | awk '{ s += $5 } END { print s + 0 }')
}

ONE=()
TWO=()
for run in $(seq "$RUNS"); do
    install one 1
    ONE+=("$TOOK")
    install two 2
    TWO+=("$TOOK")
    echo "run $run: one server ${ONE[-1]} s, two servers ${TWO[-1]} s" >&2
done
install killed 2 "$KILL_AT"
t_one=$(printf '%s\n' "${ONE[@]}" | median)
t_two=$(printf '%s\n' "${TWO[@]}" | median)
echo "link: round trip $RTT ms, $RATE bytes/s per server; $FILES files, $PACKED_BYTES bytes packed; load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "one server: $t_one s (runs: ${ONE[*]})"
echo "two servers: $t_two s (runs: ${TWO[*]})"
echo "rate two/one: $(echo "scale=3; $t_one / $t_two" | bc)"
RECEIVED=$(sed -n 's/^Update server [^ ]*: \([0-9]*\) bytes.*/\1/p' "$RUN/killed.servers" | awk '{ s += $1 } END { print s + 0 }')
# The launcher's tally counts the packed files without the list; nginx sent the list too.
echo "two servers, the second killed at $KILL_AT s: $TOOK s; the launcher received $RECEIVED bytes," \
    "$((RECEIVED - PACKED_BYTES + LIST_BYTES)) beyond the packed files; nginx sent $((SENT - PACKED_BYTES)) beyond them"
sed 's/^/  /' "$RUN/killed.servers"
