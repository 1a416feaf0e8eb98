# shellcheck shell=bash
# Helpers shared by the scripts of bench/link, bench/loopback, bench/resume and
# bench/chunks/patch.sh: nginx on a free port of
# 127.0.0.1 and the link emulator in front of it, a headless launcher for a server, the peers'
# input and extraction, and the figures of a run. Every process started here is remembered by
# its id and ended by stop_link_processes (the scripts call it on exit).

LINK_PIDS=()

# free_port: a TCP port of 127.0.0.1 that nothing listens on.
free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# wait_for_port PORT: up to five seconds for something to listen on 127.0.0.1:PORT.
wait_for_port() {
    for _ in $(seq 50); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.1
    done
    echo "nothing listens on 127.0.0.1:$1" >&2
    return 1
}

# start_nginx PREFIX ROOT [CERT KEY]: serves ROOT, with a certificate over HTTPS and HTTP/2,
# each request limited to NGINX_LIMIT_RATE (nginx's limit_rate, e.g. 16m) when that is set;
# sets NGINX_PORT. PREFIX/access.log has one line per request: connection number, method,
# path, status, body bytes.
start_nginx() {
    local prefix=$1 root=$2 cert=${3:-} key=${4:-} user_line="" listen_tls=""
    [ "$(id -u)" = 0 ] && user_line="user root;" # workers would drop to nobody and get 403
    NGINX_PORT=$(free_port)
    [ -n "$cert" ] && listen_tls=" ssl http2; ssl_certificate $cert; ssl_certificate_key $key"
    mkdir -p "$prefix/tmp"
    cat >"$prefix/nginx.conf" <<CONF
$user_line
daemon on;
worker_processes 1;
pid $prefix/nginx.pid;
error_log $prefix/error.log;
events { worker_connections 1024; }
http {
    default_type application/octet-stream;
    log_format link '\$connection \$request_method \$uri \$status \$body_bytes_sent';
    access_log $prefix/access.log link;
    client_body_temp_path $prefix/tmp;
    sendfile on;
    server { listen 127.0.0.1:$NGINX_PORT$listen_tls; root $root; ${NGINX_LIMIT_RATE:+limit_rate $NGINX_LIMIT_RATE;} }
}
CONF
    nginx -e "$prefix/error.log" -p "$prefix" -c "$prefix/nginx.conf"
    wait_for_port "$NGINX_PORT"
    LINK_PIDS+=("$(cat "$prefix/nginx.pid")")
}

# start_emulator BUILD_DIR UPSTREAM_PORT RTT_MS RATE [COUNT_FILE [OPTION...]]: sets EMULATOR_PORT
# and EMULATOR_PID; the options go to the emulator as they are (e.g. --slow-connection 3 --slow-rate 1k).
start_emulator() {
    local build=$1 upstream=$2 rtt=$3 rate=$4 count=${5:-} out
    shift $(($# < 5 ? $# : 5))
    out=$(mktemp)
    "$build/bench/kaldoria-link-emulator" --listen 127.0.0.1:0 --upstream "127.0.0.1:$upstream" \
        --rtt-ms "$rtt" --rate "$rate" ${count:+--count "$count"} "$@" >"$out" &
    EMULATOR_PID=$!
    LINK_PIDS+=("$EMULATOR_PID")
    EMULATOR_PORT=""
    for _ in $(seq 50); do
        EMULATOR_PORT=$(sed -n 's/^PORT //p' "$out")
        [ -n "$EMULATOR_PORT" ] && break
        sleep 0.1
    done
    rm -f "$out"
    [ -n "$EMULATOR_PORT" ] || { echo "the link emulator did not start" >&2; return 1; }
}

# stop_link_processes: ends every process started above, each by its own id.
stop_link_processes() {
    local pid
    for pid in "${LINK_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    LINK_PIDS=()
}

# rate_bytes RATE: bytes per second of a rate such as 25M (decimal suffixes k, M, G).
rate_bytes() {
    echo "$1" | awk '{ n = $0; s = substr(n, length(n)); m = 1
        if (s == "k" || s == "K") m = 1e3; else if (s == "m" || s == "M") m = 1e6; else if (s == "g" || s == "G") m = 1e9
        if (m > 1) n = substr(n, 1, length(n) - 1)
        printf "%d\n", n * m }'
}

now() { date +%s.%N; }

# seconds FROM TO: the time between two `now` readings, to the hundredth.
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# mib BYTES: the bytes in MiB, to a tenth.
mib() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }

# median: the median of the numbers on standard input, one a line.
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# fail MESSAGE [LOG]: prints MESSAGE and the last lines of LOG, then exits 1.
fail() {
    echo "$1" >&2
    if [ -n "${2:-}" ] && [ -f "$2" ]; then tail -20 "$2" >&2; fi
    exit 1
}

# bounded COMMAND...: runs it under `timeout $LIMIT`, in the background so that an interrupt
# reaches the caller's exit trap at once, which ends it by the id kept in CHILD.
bounded() {
    timeout "$LIMIT" "$@" &
    CHILD=$!
    wait "$CHILD"
}

# run_launcher FOLDER LOG ARGUMENT...: FOLDER/Kaldoria with the arguments, run in FOLDER under
# `bounded`, its output in LOG; it must exit with 0.
run_launcher() {
    local folder=$1 log=$2
    shift 2
    bounded env -C "$folder" ./Kaldoria "$@" >"$log" 2>&1 ||
        fail "the launcher failed (exit code $?); its last lines:" "$log"
}

# check_free_space FOLDER MIB: stops with a message unless FOLDER's file system has MIB MiB free.
check_free_space() {
    local free
    free=$(df -P -m "$1" | awk 'NR == 2 { print $4 }')
    [ "$free" -ge "$2" ] ||
        fail "not enough free disk space in $1: the benchmark needs about $2 MiB, $free MiB are free; free some space or name another WORK_DIR"
}

# packed_files SERVER: the packed files of an update server folder (the list left out),
# relative to it, sorted.
packed_files() {
    (cd "$1" && find . -name '*.kdz' ! -name updater.lst.kdz | sed 's|^\./||' | sort)
}

# tree_sum FOLDER: "FILES BYTES" of the files below FOLDER/data.
tree_sum() {
    (cd "$1" && find data -type f -printf '%s\n' | awk '{ n++; s += $1 } END { print n + 0, s + 0 }')
}

# check_tree FOLDER: the files below FOLDER/data must be the client's (CLIENT_SUM), by count and bytes.
check_tree() {
    local found
    found=$(tree_sum "$1")
    [ "$found" = "$CLIENT_SUM" ] || fail "$1 holds $found (files, bytes), the client $CLIENT_SUM"
}

# make_launcher BUILD_DIR SKIN URLS INSTANCE FOLDER: FOLDER/Kaldoria, a launcher whose update
# servers are URLS (separated by blanks), made with kaldoria-pack as a player would get it.
make_launcher() {
    local build=$1 skin=$2 urls=$3 instance=$4 folder=$5
    mkdir -p "$folder"
    cat >"$folder/config.txt" <<CONF
[config]
instance=$instance
usercan_changecheckmethod=true
[updateservers]
$(printf 'url=%s\n' $urls)
[lang=1033:English]
1=[Unpacking ]
2=[Checked ]
3=[The client is up to date.]
4=[Downloading ]
5=[Update finished.]
7=[Fetching the file list...]
15=[No update server answers.]
24=[Total: ]
CONF
    "$build/kaldoria-pack" stream --skin "$skin" --config "$folder/config.txt" -o "$folder/config.stream" >/dev/null
    "$build/kaldoria-pack" package "$folder/config.stream" -o "$folder/config.pack" >/dev/null
    "$build/kaldoria-pack" attach "$build/Kaldoria" -o "$folder/Kaldoria" --resource "blank=$folder/config.pack" \
        >/dev/null
}

# aria2_input URL FOLDER: aria2c's input file for the packed files named on standard input:
# each fetched from URL into the same place below FOLDER.
aria2_input() {
    awk -v url="$1" -v out="$2/" '{
        dir = $0; sub(/\/[^\/]*$/, "", dir); name = $0; sub(/.*\//, "", name)
        printf "%s%s\n  dir=%s%s\n  out=%s\n", url, $0, out, dir, name }'
}

# extract_packed LIST PACKED FILES: unrar x of every packed file named in the file LIST, below
# PACKED, into the same folder below FILES.
extract_packed() {
    local name
    while read -r name; do
        mkdir -p "$3/$(dirname "$name")"
        unrar x -o+ -idq "$2/$name" "$3/$(dirname "$name")/" || return 1
    done <"$1"
}

# requests LOG FROM_LINE FILES: the requests (HEAD, GET), requests per packed file and distinct
# connections in nginx's access LOG after its first FROM_LINE lines, for a client of FILES.
requests() {
    tail -n +"$(($2 + 1))" "$1" | awk -v files="$3" '{
        n++; m[$2]++; c[$1] = 1; if ($3 != "/updater.lst.kdz") f++ }
        END { k = 0; for (x in c) k++
              printf "%d requests (%d HEAD, %d GET), %.2f per file, %d connections", n, m["HEAD"], m["GET"], f / files, k }'
}

# Makes WORK absolute and sets RUN, its scratch folder; when the script ends, the scratch
# folder goes and so does every process the benchmark started (CHILD, nginx, the emulator).
prepare_work_folder() {
    mkdir -p "$WORK"
    WORK=$(cd "$WORK" && pwd)
    RUN=$WORK/run
    CHILD=""
    trap clean_up EXIT
    trap 'exit 130' INT TERM
}

clean_up() {
    if [ -n "$CHILD" ]; then kill "$CHILD" 2>/dev/null || true; fi
    stop_link_processes
    rm -rf "$RUN"
}

# make_certificates DIR: a private authority DIR/ca.pem and a server certificate for
# 127.0.0.1 (DIR/server.pem, DIR/server.key), made once.
make_certificates() {
    local dir=$1
    [ -f "$dir/server.pem" ] && return 0
    mkdir -p "$dir"
    openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=bench-ca -keyout "$dir/ca.key" \
        -out "$dir/ca.pem" 2>/dev/null
    openssl req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout "$dir/server.key" -out "$dir/server.csr" \
        2>/dev/null
    printf 'subjectAltName=IP:127.0.0.1\n' >"$dir/san.txt"
    openssl x509 -req -in "$dir/server.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" -CAcreateserial -days 30 \
        -extfile "$dir/san.txt" -out "$dir/server.pem" 2>/dev/null
}

# prepare_mixed_client: the client of FILES files of about MIB MiB in all (make-client.py's mix)
# and its server folder, made and published once in WORK with the demo skin; an empty RUN
# folder. Sets CLIENT, SERVER and CLIENT_SUM.
prepare_mixed_client() {
    CLIENT=$WORK/client-$FILES-$MIB
    SERVER=$WORK/server-$FILES-$MIB
    if [ ! -f "$SERVER/updater.lst.kdz" ]; then
        rm -rf "$CLIENT" "$SERVER"
        python3 "$(dirname "${BASH_SOURCE[0]}")/make-client.py" "$CLIENT" "$FILES" --mib "$MIB"
        "$BUILD/kaldoria-pack" publish "$CLIENT" -o "$SERVER"
    fi
    [ -d "$WORK/skin" ] || "$BUILD/kaldoria-pack" demo-skin -o "$WORK/skin"
    rm -rf "$RUN"
    mkdir -p "$RUN"
    CLIENT_SUM=$(tree_sum "$CLIENT")
}
