#!/usr/bin/env bash
# Download through a proxy on loopback, side by side, written as Markdown
# tables to standard output (copied into bench/README.md by hand).
#
#   bench/download/run_proxy_bench.sh BUILD_DIR [REPETITIONS]
#
# BUILD_DIR is a native build with the target download_cli. One nginx serves a
# random 64 MiB package with limit_rate 2m per connection and unthrottled;
# two proxies from Debian relay on 127.0.0.1: tinyproxy and squid (caching
# off). Interleaved, each from an empty folder, per route (direct, through
# tinyproxy, through squid): ours (http_proxy, as curl reads it) and curl -x
# followed by md5sum. curl's own slowdown through a proxy is what the proxy
# costs a single stream; ours' CPU time per download (bash's time) shows
# whether ours works harder through a proxy, and each proxy's CPU time per
# download of ours (from /proc) what the relaying costs.
set -euo pipefail
shopt -s inherit_errexit
build=$(cd "$1" && pwd)
reps=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
cli=$build/tests/download_cli
for tool in "$cli" /usr/sbin/nginx tinyproxy /usr/sbin/squid curl md5sum; do
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

# <port>: waits until something listens there.
await_port() {
  for _ in $(seq 200); do (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0; sleep 0.05; done
  echo "nothing listens on $1" >&2
  return 1
}
tinyproxy_port=$(free_port)
printf 'Port %s\nListen 127.0.0.1\nTimeout 60\nMaxClients 64\nLogLevel Error\nLogFile "%s"\n' \
  "$tinyproxy_port" "$work/tinyproxy.log" >"$work/tinyproxy.conf"
tinyproxy -d -c "$work/tinyproxy.conf" &
tinyproxy_pid=$!
bench_own_pid "$tinyproxy_pid"
squid_port=$(free_port)
# Squid drops to its own user: its files go to a folder that user may write.
mkdir -p "$work/squid" && chmod 777 "$work/squid"
cat >"$work/squid.conf" <<CONF
http_port 127.0.0.1:$squid_port
pid_filename $work/squid/squid.pid
cache_log $work/squid/cache.log
coredump_dir $work/squid
access_log none
cache deny all
cache_mem 0 MB
pinger_enable off
shutdown_lifetime 0 seconds
visible_hostname zvk-bench
http_access allow localhost
http_access deny all
CONF
/usr/sbin/squid -N -f "$work/squid.conf" &
squid_pid=$!
bench_own_pid "$squid_pid"
await_port "$tinyproxy_port"
await_port "$squid_port"
# <pid>: CPU time of a proxy so far, in clock ticks.
proxy_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
declare -A proxies=([tinyproxy]=127.0.0.1:$tinyproxy_port [squid]=127.0.0.1:$squid_port)
declare -A proxy_pids=([tinyproxy]=$tinyproxy_pid [squid]=$squid_pid)

# <proxy or empty> <url>: milliseconds to a verified package; ours' own CPU
# time (user + system, milliseconds) goes to $work/cpu_ms.
run_ours() {
  rm -rf "$work/out" && mkdir -p "$work/out"
  local start TIMEFORMAT='%3U %3S'; start=$(now_ms)
  { time http_proxy=$1 "$cli" --url "$2" --md5 "$d64" --folder "$work/out" >"$work/cli.log" 2>&1; } 2>"$work/cpu" || {
    echo "download_cli failed for $2 (proxy '$1'): $(tail -n 3 "$work/cli.log")" >&2
    exit 1
  }
  local route=direct
  [ -z "$1" ] || route="proxy $1"
  grep -q "route to .*: $route" "$work/cli.log" || { echo "wrong route: $(grep -m1 route "$work/cli.log")" >&2; exit 1; }
  echo $(($(now_ms) - start))
  awk '{printf "%d", ($1 + $2) * 1000}' "$work/cpu" >"$work/cpu_ms"
}
# <proxy or empty> <url>
run_curl() {
  rm -rf "$work/out" && mkdir -p "$work/out"
  local start; start=$(now_ms)
  curl -s ${1:+-x "http://$1"} -o "$work/out/f" "$2"
  [ "$(digest "$work/out/f")" = "$d64" ] || { echo "curl digest mismatch" >&2; exit 1; }
  echo $(($(now_ms) - start))
}

# <route>: one row; direct times are in $ours_direct and $curl_direct.
row() {
  local route=$1 mo mc cpu
  mo=$(printf '%s\n' "${ours[@]}" | median)
  cpu=$(printf '%s\n' "${ours_cpu[@]}" | median)
  mc=$(printf '%s\n' "${curl_ms[@]}" | median)
  if [ "$route" = direct ]; then ours_direct=$mo curl_direct=$mc; fi
  echo "| $route | ${ours[*]} | $mo | $(awk -v a="$mo" -v b="$ours_direct" 'BEGIN{printf "%.2f", a/b}') |" \
    "${curl_ms[*]} | $mc | $(awk -v a="$mc" -v b="$curl_direct" 'BEGIN{printf "%.2f", a/b}') |" \
    "$(awk -v a="$mc" -v b="$mo" 'BEGIN{printf "%.2f", a/b}') | $cpu | ${ticks[*]:--} |"
}

compare() {
  local title=$1 url=$2 route before
  declare -A ours_runs ours_cpu_runs curl_runs tick_runs
  for _ in $(seq "$reps"); do
    for route in direct tinyproxy squid; do
      local proxy=${proxies[$route]:-}
      [ -z "$proxy" ] || before=$(proxy_ticks "${proxy_pids[$route]}")
      ours_runs[$route]+=" $(run_ours "$proxy" "$url")"
      ours_cpu_runs[$route]+=" $(cat "$work/cpu_ms")"
      [ -z "$proxy" ] || tick_runs[$route]+=" $(($(proxy_ticks "${proxy_pids[$route]}") - before))"
      curl_runs[$route]+=" $(run_curl "$proxy" "$url")"
    done
  done
  echo
  echo "### $title ($reps runs each, milliseconds to a verified package)"
  echo
  echo "| route | ours | median | / direct | curl -x + md5sum | median | / direct | curl / ours | ours' CPU ms (median) | proxy CPU ticks per download of ours |"
  echo "|---|---|---|---|---|---|---|---|---|---|"
  for route in direct tinyproxy squid; do
    read -ra ours <<<"${ours_runs[$route]}"
    read -ra ours_cpu <<<"${ours_cpu_runs[$route]}"
    read -ra curl_ms <<<"${curl_runs[$route]}"
    read -ra ticks <<<"${tick_runs[$route]:-}"
    row "$route"
  done
  echo
  echo "Clock ticks: $(getconf CLK_TCK) per second."
}

echo "Machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); nginx $(/usr/sbin/nginx -v 2>&1 | sed 's/.*\///'), $(tinyproxy -v), squid $(/usr/sbin/squid -v | head -1 | awk '{print $4}'), $(curl --version | head -1 | cut -d' ' -f1-2)"
compare "P1. limit_rate 2m per connection, 64 MiB" "http://127.0.0.1:$slow_port/p64.zip"
compare "P2. unthrottled, 64 MiB" "http://127.0.0.1:$fast_port/p64.zip"
