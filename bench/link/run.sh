#!/bin/bash
# A fresh install of a game client over an emulated link (round trip RTT ms, RATE bytes per
# second shared by all connections): the launcher against curl and aria2c fetching the same
# packed files and extracting them with unrar, and against the floor (packed bytes / rate).
# The client (FILES files, 500 by default, about 310 MiB) is made and published once and kept
# in WORK_DIR. Prints each time (median of RUNS), its ratios against the faster peer and the
# floor, and from nginx's access log the requests per file and connections of each run.
#   bench/link/run.sh BUILD_DIR [WORK_DIR]
#   environment: RTT (ms, 40), RATE (25M), FILES (500; 50 for a smoke run), RUNS (1),
#                TLS (1: nginx serves HTTPS and HTTP/2 with a private authority),
#                LIMIT (seconds each command may take, 1800)
set -euo pipefail
BUILD=$(cd "$1" && pwd)
WORK=${2:-$BUILD/bench/link-data}
RTT=${RTT:-40}
RATE=${RATE:-25M}
FILES=${FILES:-500}
RUNS=${RUNS:-1}
TLS=${TLS:-}
LIMIT=${LIMIT:-1800}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$HERE/lib.sh"
prepare_work_folder

# The client and its update server folder, made once.
CLIENT=$WORK/client-$FILES
SERVER=$WORK/server-$FILES
if [ ! -f "$SERVER/updater.lst.kdz" ]; then
    rm -rf "$CLIENT" "$SERVER"
    python3 "$HERE/make-client.py" "$CLIENT" "$FILES"
    "$BUILD/kaldoria-pack" publish "$CLIENT" -o "$SERVER"
fi
[ -d "$WORK/skin" ] || "$BUILD/kaldoria-pack" demo-skin -o "$WORK/skin"
rm -rf "$RUN"
mkdir -p "$RUN"
packed_files "$SERVER" >"$RUN/packed.txt"
PACKED_BYTES=$(cd "$SERVER" && xargs stat -c %s <"$RUN/packed.txt" | awk '{ s += $1 } END { print s }')
CLIENT_SUM=$(tree_sum "$CLIENT")

SCHEME=http
if [ "$TLS" = 1 ]; then
    make_certificates "$WORK/tls"
    start_nginx "$RUN/nginx" "$SERVER" "$WORK/tls/server.pem" "$WORK/tls/server.key"
    SCHEME=https
    export SSL_CERT_FILE=$WORK/tls/ca.pem
else
    start_nginx "$RUN/nginx" "$SERVER"
fi
start_emulator "$BUILD" "$NGINX_PORT" "$RTT" "$RATE" "$RUN/connections.txt"
URL=$SCHEME://127.0.0.1:$EMULATOR_PORT/

# A launcher made for the emulated server, as a player would get it.
make_launcher "$BUILD" "$WORK/skin" "$URL" "KaldoriaLinkBench-$$" "$RUN"

# The peers' input: curl's config of url/output pairs and aria2c's input file.
awk -v url="$URL" -v out="$RUN/peer/packed/" \
    '{ printf "url = \"%s%s\"\noutput = \"%s%s\"\n", url, $0, out, $0 }' <"$RUN/packed.txt" >"$RUN/curl.cfg"
aria2_input "$URL" "$RUN/peer/packed" <"$RUN/packed.txt" >"$RUN/aria2.txt"

# check_tree DIR: the files below DIR/data must be the client's, by count and bytes.
check_tree() {
    local found
    found=$(tree_sum "$1")
    [ "$found" = "$CLIENT_SUM" ] || fail "$1 holds $found (files, bytes), the client $CLIENT_SUM"
}

# extract: unrar x of every packed file into the peer's client folder.
extract() { bounded bash -c 'extract_packed "$@"' extract "$RUN/packed.txt" "$RUN/peer/packed" "$RUN/peer/files"; }
export -f extract_packed

launcher() {
    rm -rf "$RUN/client"
    mkdir -p "$RUN/client"
    cp "$RUN/Kaldoria" "$RUN/client/Kaldoria"
    bounded env -C "$RUN/client" ./Kaldoria --headless >"$RUN/launcher.log" 2>&1 ||
        fail "the launcher failed (exit code $?); its last lines:" "$RUN/launcher.log"
}

with_curl() {
    rm -rf "$RUN/peer"
    bounded curl --parallel --parallel-max 6 --create-dirs -sS -f ${TLS:+--cacert "$SSL_CERT_FILE"} \
        -K "$RUN/curl.cfg" 2>"$RUN/curl.log" ||
        fail "curl failed:" "$RUN/curl.log"
    FETCHED=$(now)
    extract || fail "unrar failed"
}

with_aria2c() {
    rm -rf "$RUN/peer"
    bounded aria2c -q -j5 -x6 -s6 --allow-overwrite=true --auto-file-renaming=false -i "$RUN/aria2.txt" \
        ${TLS:+--ca-certificate="$SSL_CERT_FILE"} \
        >"$RUN/aria2.log" 2>&1 || fail "aria2c failed:" "$RUN/aria2.log"
    FETCHED=$(now)
    extract || fail "unrar failed"
}

declare -A TIMES
declare -A TRAFFIC
for run in $(seq "$RUNS"); do
    for tool in launcher with_curl with_aria2c; do
        sync
        from=$(wc -l <"$RUN/nginx/access.log")
        t0=$(now)
        FETCHED=""
        "$tool"
        t1=$(now)
        if [ "$tool" = launcher ]; then check_tree "$RUN/client"; else check_tree "$RUN/peer/files"; fi
        seconds=$(printf '%.2f' "$(echo "$t1 - $t0" | bc)")
        TIMES[$tool]="${TIMES[$tool]:-} $seconds"
        TRAFFIC[$tool]=$(requests "$RUN/nginx/access.log" "$from" "$FILES")
        split=""
        [ -n "$FETCHED" ] && split=$(printf ' (fetch %.2f s, unrar %.2f s)' "$(echo "$FETCHED - $t0" | bc)" \
            "$(echo "$t1 - $FETCHED" | bc)")
        echo "run $run: $tool $seconds s$split; ${TRAFFIC[$tool]}" >&2
    done
done

t_launcher=$(xargs -n1 <<<"${TIMES[launcher]}" | median)
t_curl=$(xargs -n1 <<<"${TIMES[with_curl]}" | median)
t_aria2c=$(xargs -n1 <<<"${TIMES[with_aria2c]}" | median)
floor=$(echo "scale=3; $PACKED_BYTES / $(rate_bytes "$RATE")" | bc)
peer=$(printf '%s\n' "$t_curl" "$t_aria2c" | sort -n | head -1)
ratios() { echo "$(echo "scale=2; $1 / $peer" | bc) x faster peer, $(echo "scale=2; $1 / $floor" | bc) x floor"; }

echo "link: round trip $RTT ms, $RATE bytes/s; $FILES files, $(echo "scale=1; $PACKED_BYTES / 1048576" | bc) MiB packed; load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-34s %8.2f s  %s  (runs:%s)\n' "launcher --headless" "$t_launcher" "$(ratios "$t_launcher")" "${TIMES[launcher]}"
printf '%-34s %8.2f s  %s  (runs:%s)\n' "curl --parallel-max 6 + unrar" "$t_curl" "$(ratios "$t_curl")" "${TIMES[with_curl]}"
printf '%-34s %8.2f s  %s  (runs:%s)\n' "aria2c -j5 -x6 -s6 + unrar" "$t_aria2c" "$(ratios "$t_aria2c")" "${TIMES[with_aria2c]}"
printf '%-34s %8.2f s\n' "floor (packed bytes / rate)" "$floor"
echo "launcher: ${TRAFFIC[launcher]} (last run)"
echo "curl:     ${TRAFFIC[with_curl]} (last run)"
echo "aria2c:   ${TRAFFIC[with_aria2c]} (last run)"
echo "emulator: $(awk '{ n++; if ($NF == "reset") f++ } END { printf "%d connections, %d reset", n, f }' "$RUN/connections.txt"), $(awk -v tick="$(getconf CLK_TCK)" '{ printf "%.1f", ($14 + $15) / tick }' "/proc/$EMULATOR_PID/stat") s of CPU"
