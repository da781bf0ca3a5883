#!/usr/bin/env bash
# Side-by-side download benchmark on loopback, written as Markdown tables to
# standard output (copied into bench/README.md by hand).
#
#   bench/download/run_bench.sh BUILD_DIR [REPETITIONS] [BIG_MB]
#
# BUILD_DIR is a native build with the targets download_cli, package_server and
# md5_file_bench.
# nginx serves the packages twice on 127.0.0.1: once with limit_rate 2m per
# connection, once unthrottled. Every run starts from an empty folder.
set -euo pipefail
shopt -s inherit_errexit
build=$(cd "$1" && pwd)
reps=${2:-3}
big_mb=${3:-1024}
cli=$build/tests/download_cli
md5_bench=$build/bench/md5_file_bench
package_server=$build/tests/package_server
for tool in "$cli" "$md5_bench" "$package_server" /usr/sbin/nginx curl aria2c md5sum /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/download/bench_lib.sh
source "$here/bench_lib.sh"
bench_begin download-bench
bench_packages "$big_mb"

slow_port=$(free_port)
fast_port=$(free_port)
bench_nginx "  server { listen 127.0.0.1:$slow_port; root $work/www; limit_rate 2m; }
  server { listen 127.0.0.1:$fast_port; root $work/www; }"

# Each runner downloads URL into an empty folder and verifies the digest;
# prints the milliseconds it took.
run_ours() {
  local url=$1 md5=$2
  rm -rf "$work/out" && mkdir -p "$work/out"
  local start; start=$(now_ms)
  /usr/bin/time -f %M -o "$work/rss" "$cli" --url "$url" --md5 "$md5" --folder "$work/out" >"$work/cli.log" || {
    echo "download_cli failed for $url" >&2
    exit 1
  }
  echo $(($(now_ms) - start))
}
run_curl() {
  local url=$1 md5=$2
  rm -rf "$work/out" && mkdir -p "$work/out"
  local start; start=$(now_ms)
  curl -s -o "$work/out/f" "$url"
  [ "$(md5sum "$work/out/f" | cut -d' ' -f1)" = "$md5" ] || {
    echo "curl digest mismatch: $(stat -c %s "$work/out/f") bytes from $url" >&2
    tail -n 5 "$work/error.log" >&2
    exit 1
  }
  echo $(($(now_ms) - start))
}
run_aria2c() {
  local url=$1 md5=$2
  rm -rf "$work/out" && mkdir -p "$work/out"
  local start; start=$(now_ms)
  aria2c -q -x4 -s4 -k1M --file-allocation=none --allow-overwrite=true -d "$work/out" -o f "$url"
  [ "$(md5sum "$work/out/f" | cut -d' ' -f1)" = "$md5" ] || { echo "aria2c digest mismatch" >&2; exit 1; }
  echo $(($(now_ms) - start))
}

# Runs the three side by side, interleaved, and prints one table row each.
compare() {
  local title=$1 url=$2 md5=$3
  local ours=() curl_ms=() aria=()
  for _ in $(seq "$reps"); do
    ours+=("$(run_ours "$url" "$md5")")
    curl_ms+=("$(run_curl "$url" "$md5")")
    aria+=("$(run_aria2c "$url" "$md5")")
  done
  local mo mc ma
  mo=$(printf '%s\n' "${ours[@]}" | median)
  mc=$(printf '%s\n' "${curl_ms[@]}" | median)
  ma=$(printf '%s\n' "${aria[@]}" | median)
  echo
  echo "### $title ($reps runs each, milliseconds to a verified package)"
  echo
  echo "| tool | runs | median | ratio to ours |"
  echo "|---|---|---|---|"
  echo "| ours (download_cli) | ${ours[*]} | $mo | 1.00 |"
  echo "| curl -s -o f + md5sum f | ${curl_ms[*]} | $mc | $(awk -v a="$mc" -v b="$mo" 'BEGIN{printf "%.2f", a/b}') |"
  echo "| aria2c -x4 -s4 + md5sum | ${aria[*]} | $ma | $(awk -v a="$ma" -v b="$mo" 'BEGIN{printf "%.2f", a/b}') |"
}

d64=$(digest "$work/www/p64.zip")
d256=$(digest "$work/www/p256.zip")
dbig=$(digest "$work/www/pbig.zip")

echo "Machine: $(nproc) cores, $(uname -r); nginx $(/usr/sbin/nginx -v 2>&1 | sed 's/.*\///'), $(curl --version | head -1 | cut -d' ' -f1-2), aria2c $(aria2c --version | head -1 | awk '{print $3}')"
compare "1. limit_rate 2m per connection, 64 MiB" "http://127.0.0.1:$slow_port/p64.zip" "$d64"
compare "2. unthrottled, 256 MiB" "http://127.0.0.1:$fast_port/p256.zip" "$d256"

echo
echo "### 3. Peak resident memory of ours (unthrottled)"
echo
echo "| package | peak RSS (MiB), each run |"
echo "|---|---|"
for name in p64 pbig; do
  size_label=$([ $name = p64 ] && echo "64 MiB" || echo "$big_mb MiB")
  d=$([ $name = p64 ] && echo "$d64" || echo "$dbig")
  rss_row "$size_label" "http://127.0.0.1:$fast_port/$name.zip" "$d"
done

echo
echo "### 4. MD5 throughput on the same $big_mb MiB file (file in the page cache)"
echo
ours_md5=() sum_md5=()
cat "$work/www/pbig.zip" >/dev/null
for _ in $(seq "$reps"); do
  ours_md5+=("$("$md5_bench" "$work/www/pbig.zip" | awk '{print $2}')")
  start=$(now_ms); md5sum "$work/www/pbig.zip" >/dev/null; sum_md5+=($(($(now_ms) - start)))
done
mo=$(printf '%s\n' "${ours_md5[@]}" | median)
ms=$(printf '%s\n' "${sum_md5[@]}" | median)
echo "| tool | runs (ms) | median | MiB/s | throughput relative to md5sum |"
echo "|---|---|---|---|---|"
echo "| MD5_CTX (md5_file_bench) | ${ours_md5[*]} | $mo | $(awk -v m="$mo" -v s="$big_mb" 'BEGIN{printf "%.0f", s*1000/m}') | $(awk -v a="$ms" -v b="$mo" 'BEGIN{printf "%.2f", a/b}') |"
echo "| md5sum | ${sum_md5[*]} | $ms | $(awk -v m="$ms" -v s="$big_mb" 'BEGIN{printf "%.0f", s*1000/m}') | 1.00 |"

echo
echo "### 5. One stall mid-transfer, 64 MiB (scripted package server, 8 MiB/s per connection)"
echo
echo "Each of the four transfers stalls after half its segment, for longer than the"
echo "15 s watchdog; the next attempt resumes. Package bytes the server sent, per run:"
echo
echo "| run | ms to a verified package | package bytes sent | ratio to the package |"
echo "|---|---|---|---|"
stall_script=normal,stall-mid-body,stall-mid-body,stall-mid-body,stall-mid-body
for run in $(seq "$reps"); do
  rm -rf "$work/out" && mkdir -p "$work/out"
  "$package_server" --file "$work/www/p64.zip" --script "$stall_script" --partial $((8 << 20)) \
    --rate $((8 << 20)) >"$work/server.log" &
  server_pid=$!
  bench_own_pid "$server_pid"
  for _ in $(seq 100); do grep -q '^port ' "$work/server.log" && break; sleep 0.05; done
  port=$(awk '/^port /{print $2}' "$work/server.log")
  start=$(now_ms)
  "$cli" --url "http://127.0.0.1:$port/p64.zip" --md5 "$d64" --folder "$work/out" >"$work/cli.log" || {
    echo "download_cli failed after a stall" >&2
    exit 1
  }
  ms=$(($(now_ms) - start))
  kill "$server_pid" && wait "$server_pid" || true
  sent=$(awk '/^package bytes sent /{print $4}' "$work/server.log")
  echo "| $run | $ms | $sent | $(awk -v a="$sent" 'BEGIN{printf "%.3f", a/(64*1048576)}') |"
done
