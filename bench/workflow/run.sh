#!/bin/sh
# Updates a client of FILES files (SIZE bytes each; 2000 x 256 KiB = 500 MiB by default) from
# nothing, from nginx on 127.0.0.1, with the launcher's update cycle, and fetches the same
# packed files with `aria2c -x6 -s6` followed by `unrar` in the same run. Prints both times
# (median of RUNS) and their ratio.
#   bench/workflow/run.sh BUILD_DIR [WORK_DIR]
set -eu
BUILD=$(cd "$1" && pwd)
WORK=${2:-$BUILD/bench/workflow-data}
FILES=${FILES:-2000}
SIZE=${SIZE:-262144}
RUNS=${RUNS:-3}
DATE=40E59DD000000000
ZERO=00000000000000000000000000000000

upper_md5() { md5sum "$1" | cut -c1-32 | tr a-f A-F; }

# The server folder: one stored RAR archive per file below data/, and the packed list.
SERVER=$WORK/server-$FILES-$SIZE
if [ ! -f "$SERVER/updater.lst.kdz" ]; then
    rm -rf "$SERVER" "$WORK/stage"
    mkdir -p "$SERVER/data" "$WORK/stage"
    : > "$WORK/list.txt"
    i=0
    while [ $i -lt "$FILES" ]; do
        name=file$i.bin
        head -c "$SIZE" /dev/urandom > "$WORK/stage/$name"
        (cd "$WORK/stage" && rar a -y -idq -m0 -ep "$SERVER/data/$name.kdz.rar" "$name" && mv "$SERVER/data/$name.kdz.rar" "$SERVER/data/$name.kdz")
        printf '%s|\\data\\%s|%s|%s|%s\r\n' "$(upper_md5 "$WORK/stage/$name")" "$name" "$SIZE" "$DATE" \
            "$(upper_md5 "$SERVER/data/$name.kdz")" >> "$WORK/list.txt"
        rm "$WORK/stage/$name"
        i=$((i + 1))
    done
    bzip2 -c "$WORK/list.txt" | { printf 'KDZ!!'; tail -c +6; } > "$SERVER/updater.lst.kdz"
fi

# nginx on a free port of 127.0.0.1, with its own prefix.
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
PREFIX=$WORK/nginx
mkdir -p "$PREFIX/logs" "$PREFIX/tmp"
USER_LINE=""
[ "$(id -u)" = 0 ] && USER_LINE="user root;"
cat > "$PREFIX/nginx.conf" <<CONF
$USER_LINE
worker_processes 2;
pid $PREFIX/nginx.pid;
error_log $PREFIX/logs/error.log;
events { worker_connections 256; }
http {
    access_log off;
    client_body_temp_path $PREFIX/tmp;
    sendfile on;
    server { listen 127.0.0.1:$PORT; root $SERVER; }
}
CONF
nginx -c "$PREFIX/nginx.conf" -p "$PREFIX"
trap 'kill $(cat "$PREFIX/nginx.pid")' EXIT
URL=http://127.0.0.1:$PORT/

awk -F'|' '{ gsub(/\\/, "/", $2); print "'"$URL"'" substr($2, 2) ".kdz" }' "$WORK/list.txt" | tr -d '\r' > "$WORK/urls.txt"

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
now() { date +%s.%N; }

ours=""
peer=""
run=0
while [ $run -lt "$RUNS" ]; do
    rm -rf "$WORK/client" "$WORK/peer"
    mkdir -p "$WORK/client" "$WORK/peer/packed" "$WORK/peer/files"
    sync
    t0=$(now)
    "$BUILD/bench/kaldoria-update-bench" "$URL" "$WORK/client" > /dev/null
    t1=$(now)
    aria2c -q -x6 -s6 -d "$WORK/peer/packed" -i "$WORK/urls.txt"
    unrar e -o+ -idq "$WORK/peer/packed/*.kdz" "$WORK/peer/files/"
    t2=$(now)
    ours="$ours $(echo "$t1 - $t0" | bc)"
    peer="$peer $(echo "$t2 - $t1" | bc)"
    run=$((run + 1))
done
o=$(for v in $ours; do echo "$v"; done | median)
p=$(for v in $peer; do echo "$v"; done | median)
echo "files: $FILES x $SIZE bytes"
echo "launcher update cycle: ${o} s (runs:$ours)"
echo "aria2c -x6 -s6 + unrar: ${p} s (runs:$peer)"
echo "ratio launcher / peer: $(echo "scale=2; $o / $p" | bc)"
