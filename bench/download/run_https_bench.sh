#!/usr/bin/env bash
# Side-by-side HTTPS download benchmark on loopback, beside plain HTTP from
# the same nginx, written as Markdown tables to standard output (copied into
# bench/README.md by hand).
#
#   bench/download/run_https_bench.sh BUILD_DIR [REPETITIONS] [BIG_MB]
#
# BUILD_DIR is a native build with the target download_cli (OpenSSL
# transport). One nginx serves the packages over HTTP and HTTPS (a private
# authority from tests/helpers/tls, trusted by each tool through its own
# option: SSL_CERT_FILE, --cacert, --ca-certificate), with limit_rate 2m per
# connection and unthrottled. Every run starts from an empty folder.
set -euo pipefail
shopt -s inherit_errexit
build=$(cd "$1" && pwd)
reps=${2:-3}
big_mb=${3:-1024}
here=$(cd "$(dirname "$0")" && pwd)
cli=$build/tests/download_cli
for tool in "$cli" /usr/sbin/nginx curl aria2c md5sum openssl /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

# shellcheck source=bench/download/bench_lib.sh
source "$here/bench_lib.sh"
bench_begin https-bench
bash "$here/../../tests/helpers/tls/make_test_pki.sh" "$work/pki" >/dev/null
chmod -R a+rX "$work/pki"
bench_packages "$big_mb"

declare -A port
for name in http_slow http_fast https_slow https_fast; do port[$name]=$(free_port); done
tls="ssl; ssl_certificate $work/pki/good.pem; ssl_certificate_key $work/pki/good.key"
bench_nginx "  server { listen 127.0.0.1:${port[http_slow]}; root $work/www; limit_rate 2m; }
  server { listen 127.0.0.1:${port[http_fast]}; root $work/www; }
  server { listen 127.0.0.1:${port[https_slow]} $tls; root $work/www; limit_rate 2m; }
  server { listen 127.0.0.1:${port[https_fast]} $tls; root $work/www; }"

url_of() { [ "${1%%_*}" = https ] && echo "https://localhost:${port[$1]}/$2" || echo "http://127.0.0.1:${port[$1]}/$2"; }
fresh_out() { rm -rf "$work/out" && mkdir -p "$work/out"; }
check() { [ "$(digest "$work/out/f")" = "$1" ] || { echo "$2: digest mismatch" >&2; exit 1; }; }

# Each runner fetches URL into an empty folder, verifies the digest and
# prints the milliseconds it took.
run_ours() {
  fresh_out
  local start; start=$(now_ms)
  SSL_CERT_FILE=$work/pki/ca.pem /usr/bin/time -f %M -o "$work/rss" "$cli" --url "$1" --md5 "$2" \
    --folder "$work/out" >"$work/cli.log" || { echo "download_cli failed for $1" >&2; exit 1; }
  echo $(($(now_ms) - start))
}
run_curl() {
  fresh_out
  local start; start=$(now_ms)
  curl -s --cacert "$work/pki/ca.pem" -o "$work/out/f" "$1"
  check "$2" curl
  echo $(($(now_ms) - start))
}
run_aria2c() {
  fresh_out
  local start; start=$(now_ms)
  aria2c -q -x4 -s4 -k1M --file-allocation=none --allow-overwrite=true --ca-certificate="$work/pki/ca.pem" \
    -d "$work/out" -o f "$1"
  check "$2" aria2c
  echo $(($(now_ms) - start))
}

# One table: ours over HTTP and HTTPS, curl and aria2c over HTTPS, interleaved.
compare() {
  local title=$1 speed=$2 file=$3 md5=$4
  local -A runs=()
  local plain secure
  plain=$(url_of "http_$speed" "$file")
  secure=$(url_of "https_$speed" "$file")
  for _ in $(seq "$reps"); do
    runs[ours_http]+="$(run_ours "$plain" "$md5") "
    runs[ours_https]+="$(run_ours "$secure" "$md5") "
    runs[curl_https]+="$(run_curl "$secure" "$md5") "
    runs[aria_https]+="$(run_aria2c "$secure" "$md5") "
  done
  local -A med=()
  for key in "${!runs[@]}"; do med[$key]=$(printf '%s\n' ${runs[$key]} | median); done
  ratio() { awk -v a="$1" -v b="${med[ours_https]}" 'BEGIN{printf "%.2f", a/b}'; }
  echo
  echo "### $title ($reps runs each, milliseconds to a verified package)"
  echo
  echo "| tool | runs | median | time relative to ours over HTTPS |"
  echo "|---|---|---|---|"
  echo "| ours over HTTPS (download_cli) | ${runs[ours_https]}| ${med[ours_https]} | 1.00 |"
  echo "| ours over HTTP, same nginx | ${runs[ours_http]}| ${med[ours_http]} | $(ratio "${med[ours_http]}") |"
  echo "| curl --cacert + md5sum, HTTPS | ${runs[curl_https]}| ${med[curl_https]} | $(ratio "${med[curl_https]}") |"
  echo "| aria2c -x4 -s4 --ca-certificate + md5sum, HTTPS | ${runs[aria_https]}| ${med[aria_https]} | $(ratio "${med[aria_https]}") |"
}

echo "Machine: $(nproc) cores, $(uname -r); nginx $(/usr/sbin/nginx -v 2>&1 | sed 's/.*\///'), $(openssl version | cut -d' ' -f1-2), $(curl --version | head -1 | cut -d' ' -f1-2), aria2c $(aria2c --version | head -1 | awk '{print $3}')"
compare "H1. limit_rate 2m per connection, 64 MiB" slow p64.zip "$(digest "$work/www/p64.zip")"
compare "H2. unthrottled, 256 MiB" fast p256.zip "$(digest "$work/www/p256.zip")"

echo
echo "### H3. Peak resident memory of ours over HTTPS (unthrottled)"
echo
echo "| package | peak RSS (MiB), each run |"
echo "|---|---|"
rss_row "$big_mb MiB" "$(url_of https_fast pbig.zip)" "$(digest "$work/www/pbig.zip")"
