# Sourced by the download benchmarks: the work folder, random packages, one
# nginx, timing and medians. Everything started is stopped by its own pid.
#
#   bench_begin <name>               $work (removed at exit) with www/, tmp/, out/
#   bench_packages <big MiB>         www/p64.zip, www/p256.zip, www/pbig.zip (random)
#   bench_nginx <server lines>       nginx over $work/www with those server blocks
#   bench_own_pid <pid>              stopped at exit
#   free_port, now_ms, median (stdin), digest <file>
#   rss_row <label> <url> <md5>      a table row of ours' peak RSS per run
#                                    (the caller's run_ours writes $work/rss)

bench_pids=()
bench_own_pid() { bench_pids+=("$1"); }
bench_cleanup() {
  local pid
  for pid in "${bench_pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}

bench_begin() {
  work=$(mktemp -d "/tmp/zvk-$1.XXXXXX")
  chmod 755 "$work"  # nginx's worker runs as another user
  trap bench_cleanup EXIT
  mkdir -p "$work/www" "$work/tmp" "$work/out"
}

bench_packages() {
  head -c $((64 << 20)) /dev/urandom >"$work/www/p64.zip"
  head -c $((256 << 20)) /dev/urandom >"$work/www/p256.zip"
  head -c $(($1 << 20)) /dev/urandom >"$work/www/pbig.zip"
}

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
digest() { md5sum "$1" | cut -d' ' -f1; }

# <server lines>: the server blocks of the http section; waits until the
# first listen port answers.
bench_nginx() {
  cat >"$work/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 256; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path $work/tmp; proxy_temp_path $work/tmp; fastcgi_temp_path $work/tmp;
  uwsgi_temp_path $work/tmp; scgi_temp_path $work/tmp;
$1
}
CONF
  /usr/sbin/nginx -p "$work" -c "$work/nginx.conf" &
  bench_own_pid $!
  local port
  port=$(grep -o 'listen 127.0.0.1:[0-9]*' "$work/nginx.conf" | head -n 1 | cut -d: -f2)
  for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && return 0; sleep 0.05; done
  echo "nginx did not start: $(tail -n 3 "$work/error.log")" >&2
  return 1
}

rss_row() {
  local label=$1 url=$2 md5=$3 rss=()
  for _ in $(seq "$reps"); do
    run_ours "$url" "$md5" >/dev/null
    rss+=("$(awk '{printf "%.1f", $1 / 1024}' "$work/rss")")
  done
  echo "| $label | ${rss[*]} |"
}
