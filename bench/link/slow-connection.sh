#!/bin/bash
# One slow connection among fast ones: a fresh install by the launcher over the emulated link
# (round trip RTT ms, RATE bytes per second shared), once as it is and once with the
# SLOW_CONNECTION-th connection the emulator accepts shaped to SLOW_RATE of its own. Prints
# the median time of RUNS runs of each, their ratio, and what the slow connection carried.
# The client (FILES files of about MIB MiB in all, the mix of run.sh scaled) is made and
# published once and kept in WORK_DIR.
#   bench/link/slow-connection.sh BUILD_DIR [WORK_DIR]
#   environment: RTT (40), RATE (25M), FILES (100), MIB (200), SLOW_CONNECTION (3),
#                SLOW_RATE (1k), RUNS (1), LIMIT (seconds each run may take, 1800)
set -euo pipefail
BUILD=$(cd "$1" && pwd)
WORK=${2:-$BUILD/bench/link-data}
RTT=${RTT:-40}
RATE=${RATE:-25M}
FILES=${FILES:-100}
MIB=${MIB:-200}
SLOW_CONNECTION=${SLOW_CONNECTION:-3}
SLOW_RATE=${SLOW_RATE:-1k}
RUNS=${RUNS:-1}
LIMIT=${LIMIT:-1800}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$HERE/lib.sh"
prepare_work_folder

prepare_mixed_client
start_nginx "$RUN/nginx" "$SERVER"

# install MODE [EMULATOR OPTION...]: a fresh install through an emulator of its own; sets TOOK
# to the seconds it took.
install() {
    local mode=$1 t0 t1 found
    shift
    rm -f "$RUN/$mode.connections"
    start_emulator "$BUILD" "$NGINX_PORT" "$RTT" "$RATE" "$RUN/$mode.connections" "$@"
    make_launcher "$BUILD" "$WORK/skin" "http://127.0.0.1:$EMULATOR_PORT/" "KaldoriaSlowBench-$$-$mode" "$RUN/$mode"
    rm -rf "$RUN/client"
    mkdir -p "$RUN/client"
    cp "$RUN/$mode/Kaldoria" "$RUN/client/Kaldoria"
    t0=$(now)
    bounded env -C "$RUN/client" ./Kaldoria --headless >"$RUN/$mode.log" 2>&1 ||
        fail "the launcher failed (exit code $?); its last lines:" "$RUN/$mode.log"
    t1=$(now)
    found=$(tree_sum "$RUN/client")
    [ "$found" = "$CLIENT_SUM" ] || fail "the client holds $found (files, bytes), expected $CLIENT_SUM"
    kill "$EMULATOR_PID"
    unset 'LINK_PIDS[-1]'
    TOOK=$(printf '%.2f' "$(echo "$t1 - $t0" | bc)")
}

PLAIN=()
SLOW=()
for run in $(seq "$RUNS"); do
    install plain
    PLAIN+=("$TOOK")
    install slow --slow-connection "$SLOW_CONNECTION" --slow-rate "$SLOW_RATE"
    SLOW+=("$TOOK")
    echo "run $run: without ${PLAIN[-1]} s, with the slow connection ${SLOW[-1]} s" >&2
done
t_plain=$(printf '%s\n' "${PLAIN[@]}" | median)
t_slow=$(printf '%s\n' "${SLOW[@]}" | median)
echo "link: round trip $RTT ms, $RATE bytes/s; $FILES files, $(du -sm "$SERVER" | cut -f1) MiB packed; load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "without a slow connection: $t_plain s (runs: ${PLAIN[*]})"
echo "connection $SLOW_CONNECTION at $SLOW_RATE: $t_slow s (runs: ${SLOW[*]})"
echo "ratio: $(echo "scale=3; $t_slow / $t_plain" | bc)"
echo "the slow connection (last run): $(grep "^connection $SLOW_CONNECTION " "$RUN/slow.connections" || echo "not opened")"
