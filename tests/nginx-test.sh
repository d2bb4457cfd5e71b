#!/bin/bash
# Runs one Windows test program with an nginx of its own on 127.0.0.1:
#   nginx-test.sh BUILD_DIR NAME PORT EXE [ARGS]
# nginx serves BUILD_DIR/nginx/NAME/root, a folder the program writes through Wine's Z: drive, and
# answers /error with 500. The program finds the port in RK_NGINX_PORT and the folder in
# RK_NGINX_ROOT. nginx stops when the program ends, however it ends.
set -uo pipefail
build="$1" name="$2" port="$3"
shift 3
dir="$build/nginx/$name"
rm -rf "$dir"
mkdir -p "$dir/root" "$dir/temp" || exit 1
cat >"$dir/nginx.conf" <<CONF
daemon off;
user root;
worker_processes 1;
pid "$dir/nginx.pid";
error_log "$dir/error.log";
events { worker_connections 64; }
http {
  access_log "$dir/access.log";
  client_body_temp_path "$dir/temp/body"; proxy_temp_path "$dir/temp/proxy"; fastcgi_temp_path "$dir/temp/fastcgi";
  uwsgi_temp_path "$dir/temp/uwsgi"; scgi_temp_path "$dir/temp/scgi";
  server {
    listen 127.0.0.1:$port;
    root "$dir/root";
    location = /error { return 500; }
  }
}
CONF

nginx -c "$dir/nginx.conf" -p "$dir" -e "$dir/error.log" &
nginx_pid=$!
stop_nginx() {
  kill -TERM "$nginx_pid" 2>/dev/null || return 0
  for _ in $(seq 100); do kill -0 "$nginx_pid" 2>/dev/null || return 0; sleep 0.1; done
  kill -KILL "$nginx_pid" 2>/dev/null
}
trap stop_nginx EXIT
trap 'exit 130' INT TERM

# nginx writes its pid file once it listens; it gets ten seconds.
for _ in $(seq 200); do
  [ -s "$dir/nginx.pid" ] && break
  kill -0 "$nginx_pid" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$dir/nginx.pid" ]; then
  echo "nginx-test: nginx did not start on 127.0.0.1:$port" >&2
  cat "$dir/error.log" >&2 2>/dev/null
  exit 1
fi

export RK_NGINX_PORT="$port"
export RK_NGINX_ROOT="Z:${dir//\//\\}\\root"
"$(dirname "$0")/wine-test.sh" "$build" "$@"
