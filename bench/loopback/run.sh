#!/bin/bash
# A fresh install of a game client from nginx on 127.0.0.1 (no link emulated): the launcher
# against `aria2c -j5 -x6 -s6` fetching the same packed files followed by `unrar x` of each,
# in two scenarios:
#   mixed: FILES files (400) of about MIB MiB (350) in all, sized like a real client, random
#          content; goal: peer time / launcher time >= 2;
#   big:   one file of BIG_MIB MiB (1024) that packs to about half (every other MiB is one
#          random 4 KiB block repeated, the rest random); goals: peer / launcher >= 1.3 and a
#          launcher peak resident memory under 64 MiB.
# Each client is made and published once and kept in WORK_DIR. Prints every run's times, the
# launcher's peak resident memory (and its anonymous part, which leaves out the pages of shared
# libraries) and nginx's requests and connections, then for each scenario
# the medians of RUNS and their ratio.
# With SIGNED=1 the server folders are published signed (with a key made once in WORK_DIR) and
# the launcher trusts that key, so it fetches and checks "updater.sig" and the SHA-256 of every
# archive and file; run once without and once with it to see what signing costs.
#   bench/loopback/run.sh BUILD_DIR [WORK_DIR]
#   environment: RUNS (3), SCENARIOS ("mixed big"), FILES (400), MIB (350), BIG_MIB (1024),
#                LIMIT (seconds each command may take, 1800), SIGNED (0)
set -euo pipefail
BUILD=$(cd "$1" && pwd)
WORK=${2:-$BUILD/bench/loopback-data}
RUNS=${RUNS:-3}
SCENARIOS=${SCENARIOS:-mixed big}
FILES=${FILES:-400}
MIB=${MIB:-350}
BIG_MIB=${BIG_MIB:-1024}
LIMIT=${LIMIT:-1800}
SIGNED=${SIGNED:-0}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../link/lib.sh
. "$HERE/../link/lib.sh"
prepare_work_folder
export -f extract_packed

# Each scenario's folder (its client and server folder), size in MiB and goal for the ratio.
declare -A DATA=([mixed]=$WORK/mixed-$FILES-$MIB [big]=$WORK/big-$BIG_MIB)
declare -A SIZE=([mixed]=$MIB [big]=$BIG_MIB)
declare -A GOAL=([mixed]=2 [big]=1.3)
for name in $SCENARIOS; do
    [ -n "${GOAL[$name]:-}" ] || fail "unknown scenario $name (mixed, big)"
done

# Free space: a scenario not made yet needs its client and its server folder (at most the
# client's size again); each run needs room for one installed client and its packed files
# (every tool's result is removed before the next tool runs). A tenth more for the file system.
check_space() {
    local need=0 name free
    for name in $SCENARIOS; do
        [ -f "${DATA[$name]}/server/updater.lst.kdz" ] || need=$((need + 2 * ${SIZE[$name]}))
        need=$((need + 2 * ${SIZE[$name]}))
    done
    need=$((need + need / 10))
    free=$(df -P -m "$WORK" | awk 'NR == 2 { print $4 }')
    if [ "$free" -lt "$need" ]; then
        fail "not enough free disk space in $WORK: the benchmark needs about $need MiB, $free MiB are free; free some space or name another WORK_DIR"
    fi
    echo "disk: about $need MiB needed in $WORK, $free MiB free" >&2
}

# make_data NAME: the scenario's client and server folder, made once; with SIGNED=1 published
# signed again when its manifest is missing, expired or not of the bench key.
make_data() {
    local data=${DATA[$1]}
    if [ "$SIGNED" = 1 ] && [ -f "$data/server/updater.lst.kdz" ] &&
        ! "$BUILD/kaldoria-pack" verify "$data/server" --key "$WORK/bench-key.pub" >/dev/null 2>&1; then
        "$BUILD/kaldoria-pack" publish "$data/client" -o "$data/server" --sign "$WORK/bench-key.key" >/dev/null
    fi
    [ -f "$data/server/updater.lst.kdz" ] && return 0
    rm -rf "$data"
    if [ "$1" = mixed ]; then
        python3 "$HERE/../link/make-client.py" "$data/client" "$FILES" --mib "$MIB"
    else
        python3 "$HERE/../link/make-client.py" "$data/client" 1 --mib "$BIG_MIB" --half-repeated
    fi
    if [ "$SIGNED" = 1 ]; then
        "$BUILD/kaldoria-pack" publish "$data/client" -o "$data/server" --sign "$WORK/bench-key.key" >/dev/null
    else
        "$BUILD/kaldoria-pack" publish "$data/client" -o "$data/server" >/dev/null
    fi
}

# seconds FROM TO: the time between two `now` readings, to the hundredth.
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# sample_private_memory FOLDER OUT: until killed, writes to OUT the highest anonymous resident
# memory (KiB) seen of the launcher running in FOLDER. Unlike the peak RSS it leaves out the pages
# of shared libraries, which every Qt program on the machine shares.
sample_private_memory() {
    local peak=0 pid kib
    while :; do
        for pid in $(pgrep -x Kaldoria); do
            [ "$(readlink "/proc/$pid/cwd")" = "$1" ] || continue
            kib=$(awk '/^RssAnon:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
            if [ -n "$kib" ] && [ "$kib" -gt "$peak" ]; then
                peak=$kib
                echo "$peak" >"$2"
            fi
        done
        sleep 0.02
    done
}

# launcher: a fresh install by the launcher in an empty folder; sets PEAK_MIB and PRIVATE_MIB.
launcher() {
    local sampler
    rm -rf "$RUN/client"
    mkdir -p "$RUN/client"
    cp "$RUN/Kaldoria" "$RUN/client/Kaldoria"
    echo 0 >"$RUN/private.kib"
    sync
    sample_private_memory "$RUN/client" "$RUN/private.kib" &
    sampler=$!
    T0=$(now)
    bounded /usr/bin/time -f '%e %M' -o "$RUN/launcher.time" env -C "$RUN/client" ./Kaldoria --headless \
        >"$RUN/launcher.log" 2>&1 || fail "the launcher failed (exit code $?); its last lines:" "$RUN/launcher.log"
    T1=$(now)
    kill "$sampler" 2>/dev/null
    wait "$sampler" 2>/dev/null || true
    check_tree "$RUN/client"
    rm -rf "$RUN/client"
    PEAK_MIB=$(tail -1 "$RUN/launcher.time" | awk '{ printf "%.1f", $2 / 1024 }')
    PRIVATE_MIB=$(awk '{ printf "%.1f", $1 / 1024 }' "$RUN/private.kib")
}

# peer: aria2c fetches every packed file, then unrar extracts each; sets FETCHED.
peer() {
    rm -rf "$RUN/peer"
    sync
    T0=$(now)
    bounded aria2c -q -j5 -x6 -s6 --allow-overwrite=true --auto-file-renaming=false -i "$RUN/aria2.txt" \
        >"$RUN/aria2.log" 2>&1 || fail "aria2c failed:" "$RUN/aria2.log"
    FETCHED=$(now)
    bounded bash -c 'extract_packed "$@"' extract "$RUN/packed.txt" "$RUN/peer/packed" "$RUN/peer/files" ||
        fail "unrar failed"
    T1=$(now)
    check_tree "$RUN/peer/files"
    rm -rf "$RUN/peer"
}

# scenario NAME: RUNS fresh installs by each tool, then the medians and the ratio.
scenario() {
    local name=$1 data=${DATA[$1]} files log from run ours="" theirs="" peaks="" privates="" t_ours t_theirs peak private
    local traffic
    rm -rf "$RUN"
    mkdir -p "$RUN"
    packed_files "$data/server" >"$RUN/packed.txt"
    CLIENT_SUM=$(tree_sum "$data/client")
    files=${CLIENT_SUM% *}
    # Both tools read the server's files from the page cache, the first run included.
    (cd "$data/server" && xargs cat <"$RUN/packed.txt" >/dev/null)
    start_nginx "$RUN/nginx" "$data/server"
    log=$RUN/nginx/access.log
    make_launcher "$BUILD" "$WORK/skin" "http://127.0.0.1:$NGINX_PORT/" "KaldoriaLoopbackBench-$$" "$RUN"
    if [ "$SIGNED" = 1 ]; then
        "$BUILD/kaldoria-pack" attach "$RUN/Kaldoria" -o "$RUN/Kaldoria" --resource "trust=$WORK/bench-key.pub" >/dev/null
    fi
    aria2_input "http://127.0.0.1:$NGINX_PORT/" "$RUN/peer/packed" <"$RUN/packed.txt" >"$RUN/aria2.txt"

    for run in $(seq "$RUNS"); do
        from=$(wc -l <"$log")
        launcher
        traffic=$(requests "$log" "$from" "$files")
        ours="$ours $(seconds "$T0" "$T1")"
        peaks="$peaks $PEAK_MIB"
        privates="$privates $PRIVATE_MIB"
        echo "$name run $run: launcher $(seconds "$T0" "$T1") s, peak RSS $PEAK_MIB MiB" \
            "(anonymous $PRIVATE_MIB MiB); $traffic" >&2
        from=$(wc -l <"$log")
        peer
        traffic=$(requests "$log" "$from" "$files")
        theirs="$theirs $(seconds "$T0" "$T1")"
        echo "$name run $run: aria2c + unrar $(seconds "$T0" "$T1") s (fetch $(seconds "$T0" "$FETCHED") s," \
            "unrar $(seconds "$FETCHED" "$T1") s); $traffic" >&2
    done
    stop_link_processes

    t_ours=$(xargs -n1 <<<"$ours" | median)
    t_theirs=$(xargs -n1 <<<"$theirs" | median)
    peak=$(xargs -n1 <<<"$peaks" | sort -n | tail -1)
    private=$(xargs -n1 <<<"$privates" | sort -n | tail -1)
    echo "$name: $files files, $(awk -v b="${CLIENT_SUM#* }" 'BEGIN { printf "%.1f", b / 1048576 }') MiB," \
        "$(cd "$data/server" && xargs stat -c %s <"$RUN/packed.txt" | awk '{ s += $1 } END { printf "%.1f", s / 1048576 }') MiB packed;" \
        "load $(cut -d' ' -f1-3 /proc/loadavg)"
    printf '  %-30s %8.2f s  peak RSS %s MiB, anonymous %s MiB  (runs:%s)\n' "$LAUNCHER_LABEL" "$t_ours" \
        "$peak" "$private" "$ours"
    printf '  %-30s %8.2f s  (runs:%s)\n' "aria2c -j5 -x6 -s6 + unrar" "$t_theirs" "$theirs"
    awk -v o="$t_ours" -v t="$t_theirs" -v g="${GOAL[$name]}" \
        'BEGIN { r = t / o; printf "  ratio peer / launcher: %.2f (goal >= %s: %s)\n", r, g, (r >= g ? "met" : "missed") }'
    if [ "$name" = big ]; then
        awk -v p="$peak" 'BEGIN { printf "  launcher peak RSS: %s MiB (goal < 64 MiB: %s)\n", p, (p < 64 ? "met" : "missed") }'
    fi
}

check_space
LAUNCHER_LABEL="launcher --headless"
if [ "$SIGNED" = 1 ]; then
    LAUNCHER_LABEL="launcher --headless, signed"
    [ -f "$WORK/bench-key.pub" ] || "$BUILD/kaldoria-pack" keygen -o "$WORK/bench-key" >/dev/null
fi
for name in $SCENARIOS; do make_data "$name"; done
[ -d "$WORK/skin" ] || "$BUILD/kaldoria-pack" demo-skin -o "$WORK/skin" >/dev/null
for name in $SCENARIOS; do scenario "$name"; done
