#!/usr/bin/env bash
# Download through a proxy on loopback, side by side, written as Markdown
# tables to standard output (copied into bench/README.md by hand).
#
#   bench/download/run_proxy_bench.sh BUILD_DIR [REPETITIONS]
#
# BUILD_DIR is a native build with the target download_cli. One nginx serves a
# random 64 MiB package with limit_rate 2m per connection and unthrottled;
# one tinyproxy (Debian's) relays on 127.0.0.1. Interleaved, each from an
# empty folder: ours direct, ours through the proxy (http_proxy, as curl
# reads it), curl -x through the same proxy followed by md5sum, and curl
# direct (what the proxy itself costs a single stream); tinyproxy's own CPU
# time per download is read from /proc.
set -euo pipefail
shopt -s inherit_errexit
build=$(cd "$1" && pwd)
reps=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
cli=$build/tests/download_cli
for tool in "$cli" /usr/sbin/nginx tinyproxy curl md5sum; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

# shellcheck source=bench/download/bench_lib.sh
source "$here/bench_lib.sh"
bench_begin proxy-bench
head -c $((64 << 20)) /dev/urandom >"$work/www/p64.zip"
d64=$(digest "$work/www/p64.zip")
slow_port=$(free_port)
fast_port=$(free_port)
bench_nginx "  server { listen 127.0.0.1:$slow_port; root $work/www; limit_rate 2m; }
  server { listen 127.0.0.1:$fast_port; root $work/www; }"

proxy_port=$(free_port)
printf 'Port %s\nListen 127.0.0.1\nTimeout 60\nMaxClients 64\nLogLevel Error\nLogFile "%s"\n' \
  "$proxy_port" "$work/tinyproxy.log" >"$work/tinyproxy.conf"
tinyproxy -d -c "$work/tinyproxy.conf" &
proxy_pid=$!
bench_own_pid "$proxy_pid"
# CPU time of the proxy so far, in clock ticks.
proxy_ticks() { awk '{print $14 + $15}' "/proc/$proxy_pid/stat"; }
for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$proxy_port") 2>/dev/null && break; sleep 0.05; done
proxy=127.0.0.1:$proxy_port

# <proxy or empty> <url>: milliseconds to a verified package.
run_ours() {
  rm -rf "$work/out" && mkdir -p "$work/out"
  local start; start=$(now_ms)
  http_proxy=$1 "$cli" --url "$2" --md5 "$d64" --folder "$work/out" >"$work/cli.log" || {
    echo "download_cli failed for $2 (proxy '$1'): $(tail -n 3 "$work/cli.log")" >&2
    exit 1
  }
  local route=direct
  [ -z "$1" ] || route="proxy $1"
  grep -q "route to .*: $route" "$work/cli.log" || { echo "wrong route: $(grep -m1 route "$work/cli.log")" >&2; exit 1; }
  echo $(($(now_ms) - start))
}
# <proxy or empty> <url>
run_curl() {
  rm -rf "$work/out" && mkdir -p "$work/out"
  local start; start=$(now_ms)
  curl -s ${1:+-x "http://$1"} -o "$work/out/f" "$2"
  [ "$(digest "$work/out/f")" = "$d64" ] || { echo "curl digest mismatch" >&2; exit 1; }
  echo $(($(now_ms) - start))
}

compare() {
  local title=$1 url=$2 direct=() proxied=() curl_ms=() curl_direct=() ticks=() before
  for _ in $(seq "$reps"); do
    direct+=("$(run_ours "" "$url")")
    before=$(proxy_ticks)
    proxied+=("$(run_ours "$proxy" "$url")")
    ticks+=("$(($(proxy_ticks) - before))")
    curl_ms+=("$(run_curl "$proxy" "$url")")
    curl_direct+=("$(run_curl "" "$url")")
  done
  local md mp mc mcd
  md=$(printf '%s\n' "${direct[@]}" | median)
  mp=$(printf '%s\n' "${proxied[@]}" | median)
  mc=$(printf '%s\n' "${curl_ms[@]}" | median)
  mcd=$(printf '%s\n' "${curl_direct[@]}" | median)
  echo
  echo "### $title ($reps runs each, milliseconds to a verified package)"
  echo
  echo "| tool | runs | median | ratio to ours through the proxy |"
  echo "|---|---|---|---|"
  echo "| ours through the proxy | ${proxied[*]} | $mp | 1.00 |"
  echo "| ours direct | ${direct[*]} | $md | $(awk -v a="$md" -v b="$mp" 'BEGIN{printf "%.2f", a/b}') |"
  echo "| curl -x + md5sum | ${curl_ms[*]} | $mc | $(awk -v a="$mc" -v b="$mp" 'BEGIN{printf "%.2f", a/b}') |"
  echo "| curl direct + md5sum | ${curl_direct[*]} | $mcd | $(awk -v a="$mcd" -v b="$mp" 'BEGIN{printf "%.2f", a/b}') |"
  echo
  echo "Through the proxy / direct: ours $(awk -v a="$mp" -v b="$md" 'BEGIN{printf "%.2f", a/b}'), curl $(awk -v a="$mc" -v b="$mcd" 'BEGIN{printf "%.2f", a/b}'); tinyproxy's CPU per download of ours: ${ticks[*]} ticks of $(getconf CLK_TCK) per second."
}

echo "Machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); nginx $(/usr/sbin/nginx -v 2>&1 | sed 's/.*\///'), $(tinyproxy -v), $(curl --version | head -1 | cut -d' ' -f1-2)"
compare "P1. limit_rate 2m per connection, 64 MiB" "http://127.0.0.1:$slow_port/p64.zip"
compare "P2. unthrottled, 64 MiB" "http://127.0.0.1:$fast_port/p64.zip"
