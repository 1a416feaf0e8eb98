#!/bin/bash
# Resume inside a file across runs: a fresh install of the loopback benchmark's big scenario
# (one file of BIG_MIB MiB, packed to about half) from nginx on 127.0.0.1. The launcher is
# killed (SIGKILL) once nginx has sent KILL_AT of the packed file, then started again; the
# second run must take up what the first left. Prints, for each of RUNS rounds, the bytes
# nginx sent for the packed file in each run, what the control file held at the kill, and the
# total against the packed file's size (goal: at most 1.15 times), and checks the installed
# file.
#   bench/resume/run.sh BUILD_DIR [WORK_DIR]
#   WORK_DIR holds the scenario as bench/loopback/run.sh makes it (WORK_DIR/big-BIG_MIB);
#   make it first with:  SCENARIOS=big RUNS=1 bench/loopback/run.sh BUILD_DIR WORK_DIR
#   environment: RUNS (3), BIG_MIB (1024), KILL_AT (0.9), LIMIT (seconds each run may take, 1800),
#                RATE (nginx's limit_rate per request, e.g. 16m; none by default)
set -euo pipefail
BUILD=$(cd "$1" && pwd)
WORK=${2:-$BUILD/bench/loopback-data}
RUNS=${RUNS:-3}
BIG_MIB=${BIG_MIB:-1024}
KILL_AT=${KILL_AT:-0.9}
LIMIT=${LIMIT:-1800}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../link/lib.sh
. "$HERE/../link/lib.sh"
DATA=$WORK/big-$BIG_MIB
[ -f "$DATA/server/updater.lst.kdz" ] ||
    { echo "no published big scenario in $DATA; make it with: SCENARIOS=big RUNS=1 bench/loopback/run.sh $1 $WORK" >&2; exit 1; }
prepare_work_folder
[ -d "$WORK/skin" ] || "$BUILD/kaldoria-pack" demo-skin -o "$WORK/skin" >/dev/null

PACKED=$(packed_files "$DATA/server")
[ "$(wc -l <<<"$PACKED")" = 1 ] || fail "the scenario in $DATA holds more than one packed file"
URI="/$PACKED"
PACKED_BYTES=$(stat -c %s "$DATA/server/$PACKED")
CLIENT_SUM=$(tree_sum "$DATA/client")

# sent_bytes LOG: body bytes nginx sent for the packed file so far.
sent_bytes() { awk -v uri="$URI" '$3 == uri { s += $5 } END { printf "%d\n", s }' "$1"; }

# recorded_bytes FOLDER: the bytes the control file in the work folder of FOLDER claims.
recorded_bytes() {
    cat "$1"/updater/*.resume 2>/dev/null | awk '$1 == "written" { s += $3 - $2 + 1 } END { printf "%d\n", s }'
}

# round N: one install killed at KILL_AT and run again; prints its figures, sets RATIO.
round() {
    local client=$RUN/client log=$RUN/nginx/access.log from first second total recorded pid threshold deadline
    rm -rf "$client"
    mkdir -p "$client"
    cp "$RUN/Kaldoria" "$client/Kaldoria"
    sync
    from=$(sent_bytes "$log")
    threshold=$(awk -v p="$PACKED_BYTES" -v k="$KILL_AT" -v f="$from" 'BEGIN { printf "%d\n", f + p * k }')
    (cd "$client" && exec ./Kaldoria --headless >"$RUN/first.log" 2>&1) &
    pid=$!
    CHILD=$pid
    deadline=$((SECONDS + LIMIT))
    while [ "$(sent_bytes "$log")" -lt "$threshold" ]; do
        kill -0 "$pid" 2>/dev/null || fail "the launcher ended before it was killed" "$RUN/first.log"
        [ "$SECONDS" -lt "$deadline" ] || fail "the download did not reach $KILL_AT in $LIMIT s" "$RUN/first.log"
        sleep 0.02
    done
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null || true
    CHILD=""
    recorded=$(recorded_bytes "$client")
    # nginx logs a request cut by the kill once it notices the closed connection.
    sleep 1
    first=$(($(sent_bytes "$log") - from))
    bounded env -C "$client" ./Kaldoria -debug --headless >"$RUN/second.log" 2>&1 ||
        fail "the second run failed (exit code $?)" "$RUN/second.log"
    check_tree "$client"
    total=$(($(sent_bytes "$log") - from))
    second=$((total - first))
    RATIO=$(awk -v t="$total" -v p="$PACKED_BYTES" 'BEGIN { printf "%.3f", t / p }')
    echo "round $1: killed after $(mib "$first") MiB sent, control file held $(mib "$recorded") MiB;" \
        "second run $(mib "$second") MiB; total $(mib "$total") MiB = $RATIO x the packed file;" \
        "$(grep -o 'Resume file: .*' "$client/log.err" | head -1)" >&2
    rm -rf "$client"
}

mib() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }

mkdir -p "$RUN"
(cd "$DATA/server" && cat "$PACKED" >/dev/null)
NGINX_LIMIT_RATE=${RATE:-} start_nginx "$RUN/nginx" "$DATA/server"
make_launcher "$BUILD" "$WORK/skin" "http://127.0.0.1:$NGINX_PORT/" "KaldoriaResumeBench-$$" "$RUN"
ratios=""
for n in $(seq "$RUNS"); do
    round "$n"
    ratios="$ratios $RATIO"
done
stop_link_processes
worst=$(xargs -n1 <<<"$ratios" | sort -n | tail -1)
echo "big-$BIG_MIB: $(mib "$(tree_sum "$DATA/client" | cut -d' ' -f2)") MiB, packed $(mib "$PACKED_BYTES") MiB;" \
    "killed at $KILL_AT of the packed file; rate ${RATE:-unlimited} per request; load $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v w="$worst" -v r="$ratios" \
    'BEGIN { printf "  bytes sent / packed size: worst %.3f (runs:%s) (goal <= 1.15: %s)\n", w, r, (w <= 1.15 ? "met" : "missed") }'
