#!/bin/bash
# A patch over an emulated link (round trip RTT ms, RATE bytes per second): a client of one big
# file of MIB MiB of random bytes and a few small files, published once with chunks and once
# without, then patched (1 MiB rewritten in the middle of the big file, 64 KiB inserted at
# 1 MiB) and published again into both folders. The launcher then updates a client of the
# first version to the second from each folder, and installs the second into an empty folder
# from each. The client of the first version is one the launcher installed, as a player's
# would be: from a third folder that holds the first version alone, with chunks, straight
# from nginx (not timed). For every update it prints the time (median of RUNS) and the body bytes nginx
# sent for it, split into chunk indexes, chunks, archives and the rest (the list), checks the
# result, and prints the ratios against their goals. The clients and both server folders are
# made once and kept in WORK_DIR.
#   bench/chunks/patch.sh BUILD_DIR [WORK_DIR]
#   environment: RTT (ms, 40), RATE (25M), MIB (1024; 64 for a quick run), RUNS (1),
#                CHECK (the players' check method for the patch: hard, MD5 of every file, the
#                launcher's default; or medium, size and date),
#                LIMIT (seconds each command may take, 1800)
set -euo pipefail
BUILD=$(cd "$1" && pwd)
WORK=${2:-$BUILD/bench/chunk-data}
RTT=${RTT:-40}
RATE=${RATE:-25M}
MIB=${MIB:-1024}
RUNS=${RUNS:-1}
CHECK=${CHECK:-hard}
LIMIT=${LIMIT:-1800}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../link/lib.sh
. "$HERE/../link/lib.sh"
case $CHECK in
hard) CHECK_MODE="Hard: MD5 Hash" ;;
medium) CHECK_MODE="Medium: Size & Date" ;;
*) fail "CHECK is hard or medium, not $CHECK" ;;
esac
prepare_work_folder

# DATA/v1 and DATA/v2 are the two versions of the client; DATA/servers, which nginx serves,
# holds the folder published with chunks (chunked/) and the one without (plain/), and the first
# version alone with chunks (chunked-v1/).
DATA=$WORK/patch-$MIB
SERVERS=$DATA/servers

# publish VERSION KIND [OPTION...]: publishes DATA/VERSION into the server folder KIND; the
# output goes to DATA/publish-VERSION-KIND.txt.
publish() {
    local version=$1 kind=$2 out=$DATA/publish-$1-$2.txt
    shift 2
    bounded "$BUILD/kaldoria-pack" publish "$DATA/$version" -o "$SERVERS/$kind" "$@" >"$out" 2>&1 ||
        fail "publishing $version into $kind failed:" "$out"
}

# make_data: both versions and both server folders, made once; DATA/ready marks them done.
make_data() {
    [ -f "$DATA/ready" ] && return 0
    # Two versions of the client, two archives, the chunks, and a run's client and download.
    check_free_space "$WORK" $((9 * MIB + 100))
    rm -rf "$DATA"
    python3 "$HERE/patch-client.py" make "$DATA/v1" "$MIB"
    publish v1 chunked --chunks
    publish v1 plain
    cp -a "$DATA/v1" "$DATA/v2"
    python3 "$HERE/patch-client.py" patch "$DATA/v2"
    publish v2 chunked --chunks
    publish v2 plain
    touch "$DATA/ready"
}

# make_first_version_folder: SERVERS/chunked-v1, made once; DATA/ready-v1 marks it done.
make_first_version_folder() {
    [ -f "$DATA/ready-v1" ] && return 0
    check_free_space "$WORK" $((2 * MIB + 100))
    rm -rf "$SERVERS/chunked-v1"
    publish v1 chunked-v1 --chunks
    touch "$DATA/ready-v1"
}

# install_first_version: RUN/installed-v1, the first version as the launcher installs it from
# chunked-v1/ through nginx directly, without its program file.
install_first_version() {
    local client=$RUN/installed-v1
    make_launcher "$BUILD" "$WORK/skin" "http://127.0.0.1:$NGINX_PORT/chunked-v1/" "KaldoriaChunkBench-$$-v1" \
        "$RUN/launcher-v1"
    mkdir -p "$client"
    cp "$RUN/launcher-v1/Kaldoria" "$client/Kaldoria"
    run_launcher "$client" "$RUN/install-v1.log" -debug --headless
    rm -f "$client/Kaldoria" "$client/log.err"
    [ "$(tree_sum "$client")" = "$(tree_sum "$DATA/v1")" ] || fail "the launcher did not install the first version:" \
        "$RUN/install-v1.log"
}

# sent_bytes LOG FROM_LINE: body bytes nginx sent after the first FROM_LINE lines of its access
# LOG, as "INDEXES CHUNKS ARCHIVES REST"; the list is among the rest.
sent_bytes() {
    tail -n +"$(($2 + 1))" "$1" | awk '{
        path = $3; sub(/^\/[^\/]*\//, "", path)
        if (path ~ /\.kdc$/) i += $5
        else if (path ~ /^chunks\//) c += $5
        else if (path ~ /\.kdz$/ && path != "updater.lst.kdz") a += $5
        else r += $5 }
        END { printf "%d %d %d %d\n", i, c, a, r }'
}

# bytes_text "INDEXES CHUNKS ARCHIVES REST": the split for a reader, with the total.
bytes_text() {
    awk -v s="$1" 'BEGIN { split(s, b, " "); t = b[1] + b[2] + b[3] + b[4]
        printf "%d bytes (%.1f MiB): indexes %d, chunks %d, archives %d, rest %d", t, t / 1048576, b[1], b[2], b[3], b[4] }'
}

# link_bytes LOG_LINE COUNT_LINE: the bytes the emulator passed to the launcher on the connections
# it counted after the first COUNT_LINE lines of its count file. The emulator writes a
# connection's line once the connection has closed, so this first waits (up to two seconds) for
# as many lines as nginx's access log shows connections after its first LOG_LINE lines.
link_bytes() {
    local connections
    connections=$(tail -n +"$(($1 + 1))" "$RUN/nginx/access.log" | awk '!seen[$1]++ { n++ } END { print n + 0 }')
    for _ in $(seq 20); do
        [ "$(($(wc -l <"$RUN/connections.txt") - $2))" -ge "$connections" ] && break
        sleep 0.1
    done
    tail -n +"$(($2 + 1))" "$RUN/connections.txt" | awk '{ s += $6 } END { printf "%d\n", s }'
}

# update KIND FROM: the launcher made for the server folder KIND updates a client of version 1
# (FROM=v1, the one install_first_version made) or an empty folder (FROM=empty) to version 2 through the emulator, with its debug
# log on. A file already on disk is compared with the list by the full check only, so the
# patch runs with --check-all; a fresh install needs no more than the required-files check. Sets
# TOOK (seconds), BYTES (as sent_bytes), LINK (as link_bytes) and REUSED (the debug log's lines
# on bytes reused from local files, indented).
update() {
    local kind=$1 from=$2 client=$RUN/client log=$RUN/$1-$2.log line counted t0 t1 check=()
    rm -rf "$client"
    if [ "$from" = v1 ]; then
        cp -a "$RUN/installed-v1" "$client"
        echo "CheckMode = $CHECK_MODE" >"$client/updater/Kaldoria.ini"
        check=(--check-all)
    else
        mkdir -p "$client"
    fi
    cp "$RUN/launcher-$kind/Kaldoria" "$client/Kaldoria"
    sync
    line=$(wc -l <"$RUN/nginx/access.log")
    counted=$(wc -l <"$RUN/connections.txt")
    t0=$(now)
    run_launcher "$client" "$log" -debug --headless "${check[@]}"
    t1=$(now)
    check_tree "$client"
    TOOK=$(seconds "$t0" "$t1")
    BYTES=$(sent_bytes "$RUN/nginx/access.log" "$line")
    LINK=$(link_bytes "$line" "$counted")
    REUSED=$(grep -i 'reused' "$client/log.err" | sed 's/^/    /' || true)
    rm -rf "$client"
}

make_data
make_first_version_folder
[ -d "$WORK/skin" ] || "$BUILD/kaldoria-pack" demo-skin -o "$WORK/skin" >/dev/null
rm -rf "$RUN"
mkdir -p "$RUN"
CLIENT_SUM=$(tree_sum "$DATA/v2")
# nginx reads every served file from the page cache, in the first run too.
find "$SERVERS" -type f -exec cat {} + >/dev/null
start_nginx "$RUN/nginx" "$SERVERS"
install_first_version
start_emulator "$BUILD" "$NGINX_PORT" "$RTT" "$RATE" "$RUN/connections.txt"
for kind in chunked plain; do
    make_launcher "$BUILD" "$WORK/skin" "http://127.0.0.1:$EMULATOR_PORT/$kind/" "KaldoriaChunkBench-$$-$kind" \
        "$RUN/launcher-$kind"
done

declare -A TIMES BYTES_OF LINK_OF REUSED_OF
for run in $(seq "$RUNS"); do
    for from in v1 empty; do
        for kind in chunked plain; do
            update "$kind" "$from"
            TIMES[$kind-$from]="${TIMES[$kind-$from]:-} $TOOK"
            BYTES_OF[$kind-$from]=$BYTES
            LINK_OF[$kind-$from]=$LINK
            REUSED_OF[$kind-$from]=$REUSED
            echo "run $run: $from -> v2 from $kind: $TOOK s; nginx sent $(bytes_text "$BYTES");" \
                "the link carried $LINK bytes" >&2
        done
    done
done
stop_link_processes

median_of() { xargs -n1 <<<"${TIMES[$1]}" | median; }

# case_line KIND FROM: one update's median time, then the bytes of its last run.
case_line() {
    printf '  %-8s %8.2f s  (runs:%s)\n' "$1" "$(median_of "$1-$2")" "${TIMES[$1-$2]}"
    printf '    nginx sent %s; the link carried %d bytes (%s MiB)\n' "$(bytes_text "${BYTES_OF[$1-$2]}")" \
        "${LINK_OF[$1-$2]}" "$(mib "${LINK_OF[$1-$2]}")"
}

echo "link: round trip $RTT ms, $RATE bytes/s; big file $MIB MiB, client v2 $(mib "${CLIENT_SUM#* }") MiB in" \
    "${CLIENT_SUM% *} files; patch checked with \"$CHECK_MODE\"; load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "publish v2 --chunks:"
grep -E '^(chunks|a player|no earlier)' "$DATA/publish-v2-chunked.txt" | sed 's/^/  /'

echo "patch, v1 -> v2:"
case_line chunked v1
case_line plain v1
read -r index chunks archives rest <<<"${BYTES_OF[chunked-v1]}"
awk -v c="$(median_of chunked-v1)" -v p="$(median_of plain-v1)" -v mib="$MIB" 'BEGIN {
    r = p / c
    if (mib >= 1024) verdict = (r >= 20 ? "met" : "missed"); else verdict = "judged at 1024 MiB only"
    printf "  time without chunks / with chunks: %.2f (goal >= 20: %s)\n", r, verdict }'
awk -v i="$index" -v o="$((chunks + archives + rest))" 'BEGIN {
    printf "  with chunks, besides the %d bytes of indexes: %d bytes (%.2f MiB) (goal <= 4 MiB: %s)\n",
        i, o, o / 1048576, (o <= 4194304 ? "met" : "missed") }'
if [ -n "${REUSED_OF[chunked-v1]}" ]; then
    echo "  reused from the local file (the launcher's debug log):"
    echo "${REUSED_OF[chunked-v1]}"
else
    echo "  the launcher's debug log names no bytes reused from the local file"
fi

echo "fresh install of v2:"
case_line chunked empty
case_line plain empty
awk -v c="$(median_of chunked-empty)" -v p="$(median_of plain-empty)" 'BEGIN {
    r = p / c; printf "  time without chunks / with chunks: %.2f (goal >= 1, chunks no slower: %s)\n", r, (r >= 1 ? "met" : "missed") }'
