# The demo's servers: nginx serving the update server folder and the news page, and one
# listening game proxy. Sourced by scripts/demo; every process is started with a pid file
# in the demo folder, so `scripts/demo --stop` can end them from another shell.

# start_nginx DEMO_DIR PORT: serves DEMO_DIR/www on 127.0.0.1:PORT until stop_servers.
start_nginx() {
    local dir=$1 port=$2 user_line=""
    [ "$(id -u)" -eq 0 ] && user_line="user root;" # workers would drop to nobody and get 403
    mkdir -p "$dir/nginx-tmp"
    cat >"$dir/nginx.conf" <<CONF
$user_line
daemon on;
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/nginx-error.log warn;
events { worker_connections 256; }
http {
    types { text/html html; text/plain txt lst; }
    default_type application/octet-stream;
    log_format demo '\$request_method \$uri \$status \$body_bytes_sent';
    access_log $dir/nginx-access.log demo;
    client_body_temp_path $dir/nginx-tmp/body;
    proxy_temp_path $dir/nginx-tmp/proxy;
    fastcgi_temp_path $dir/nginx-tmp/fastcgi;
    uwsgi_temp_path $dir/nginx-tmp/uwsgi;
    scgi_temp_path $dir/nginx-tmp/scgi;
    server {
        listen 127.0.0.1:$port;
        root $dir/www;
        index index.html;
    }
}
CONF
    nginx -e "$dir/nginx-error.log" -p "$dir" -c "$dir/nginx.conf"
    wait_for_port 127.0.0.1 "$port" || { cat "$dir/nginx-error.log" >&2; return 1; }
}

# start_proxy DEMO_DIR ADDRESS PORT: one game proxy that accepts connections.
start_proxy() {
    local dir=$1
    python3 "$(dirname "${BASH_SOURCE[0]}")/proxy-listener.py" "$2" "$3" "$dir/proxy-connections" \
        </dev/null >/dev/null 2>"$dir/proxy-error.log" &
    echo $! >"$dir/proxy.pid"
    wait_for_port "$2" "$3" || { cat "$dir/proxy-error.log" >&2; return 1; }
}

# wait_for_port ADDRESS PORT: up to five seconds for something to listen there.
wait_for_port() {
    local i
    for i in $(seq 50); do
        (exec 3<>"/dev/tcp/$1/$2") 2>/dev/null && return 0
        sleep 0.1
    done
    echo "demo: nothing listens on $1:$2" >&2
    return 1
}

# stop_servers DEMO_DIR: ends the processes named by the pid files, each by its own id.
stop_servers() {
    local dir=$1 pidfile pid
    for pidfile in "$dir/nginx.pid" "$dir/proxy.pid"; do
        [ -f "$pidfile" ] || continue
        pid=$(cat "$pidfile")
        [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
        rm -f "$pidfile"
    done
}
