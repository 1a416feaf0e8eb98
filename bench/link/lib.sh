# shellcheck shell=bash
# Helpers shared by check.sh and run.sh: nginx on a free port of 127.0.0.1 and the link
# emulator in front of it. Every process started here is remembered by its id and ended by
# stop_link_processes (both scripts call it on exit).

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

# start_nginx PREFIX ROOT: serves ROOT; sets NGINX_PORT. PREFIX/access.log has one line per
# request: connection number, method, path, status, body bytes.
start_nginx() {
    local prefix=$1 root=$2 user_line=""
    [ "$(id -u)" = 0 ] && user_line="user root;" # workers would drop to nobody and get 403
    NGINX_PORT=$(free_port)
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
    server { listen 127.0.0.1:$NGINX_PORT; root $root; }
}
CONF
    nginx -e "$prefix/error.log" -p "$prefix" -c "$prefix/nginx.conf"
    wait_for_port "$NGINX_PORT"
    LINK_PIDS+=("$(cat "$prefix/nginx.pid")")
}

# start_emulator BUILD_DIR UPSTREAM_PORT RTT_MS RATE [COUNT_FILE]: sets EMULATOR_PORT and EMULATOR_PID.
start_emulator() {
    local build=$1 upstream=$2 rtt=$3 rate=$4 count=${5:-} out
    out=$(mktemp)
    "$build/bench/kaldoria-link-emulator" --listen 127.0.0.1:0 --upstream "127.0.0.1:$upstream" \
        --rtt-ms "$rtt" --rate "$rate" ${count:+--count "$count"} >"$out" &
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
