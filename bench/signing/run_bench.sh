#!/usr/bin/env bash
# What checking a package's signature adds to the time to a verified package:
# the download worker without a publisher key (join, length, MD5) and with
# the tests' key (the same, plus SHA-256 and ECDSA in the same pass), side by
# side and interleaved, unthrottled on loopback, with curl + md5sum +
# sha256sum as the peer. Markdown to standard output.
#
#   bench/signing/run_bench.sh BUILD_DIR [REPETITIONS] [SIZE_MB]
#
# BUILD_DIR is a native build with download_cli, download_cli_signed and zvkpublish.
set -euo pipefail
shopt -s inherit_errexit
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
reps=${2:-5}
size_mb=${3:-256}
plain=$build/tests/download_cli
signed=$build/bench/download_cli_signed
publish=$build/bin/zvkpublish
for tool in "$plain" "$signed" "$publish" /usr/sbin/nginx curl md5sum sha256sum; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

# shellcheck source=bench/download/bench_lib.sh
source "$root/bench/download/bench_lib.sh"
bench_begin signing-bench

mkdir -p "$work/folder"
head -c $((size_mb << 20)) /dev/urandom >"$work/folder/blob.bin"
install -m 600 "$root/tests/keys/test_publisher.key" "$work/test.key"
"$publish" pack "$work/folder" -o "$work/www/p.zip" 2>/dev/null
"$publish" sign "$work/www/p.zip" --key "$work/test.key" 2>/dev/null
rm -rf "$work/folder"
md5=$(digest "$work/www/p.zip")

port=$(free_port)
bench_nginx "  server { listen 127.0.0.1:$port; root $work/www; }"
url=http://127.0.0.1:$port/p.zip


run_cli() {
  local cli=$1
  rm -rf "$work/out" && mkdir -p "$work/out"
  local start; start=$(now_ms)
  "$cli" --url "$url" --md5 "$md5" --folder "$work/out" >"$work/cli.log" 2>&1 || {
    echo "$cli failed: $(cat "$work/cli.log")" >&2
    exit 1
  }
  echo $(($(now_ms) - start))
}
run_curl() {
  rm -rf "$work/out" && mkdir -p "$work/out"
  local start; start=$(now_ms)
  curl -s -o "$work/out/f" "$url"
  [ "$(md5sum "$work/out/f" | cut -d' ' -f1)" = "$md5" ] || { echo "curl digest mismatch" >&2; exit 1; }
  sha256sum "$work/out/f" >/dev/null
  echo $(($(now_ms) - start))
}

plain_ms=() signed_ms=() curl_ms=()
for _ in $(seq "$reps"); do
  plain_ms+=("$(run_cli "$plain")")
  signed_ms+=("$(run_cli "$signed")")
  curl_ms+=("$(run_curl)")
done
mp=$(printf '%s\n' "${plain_ms[@]}" | median)
ms=$(printf '%s\n' "${signed_ms[@]}" | median)
mc=$(printf '%s\n' "${curl_ms[@]}" | median)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.2f", a/b}'; }

echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); package $size_mb MiB (stored, signed)"
echo
echo "| tool | runs (ms) | median ms | ratio to ours without key |"
echo "|---|---|---|---|"
echo "| ours, built without a key (join, length, MD5) | ${plain_ms[*]} | $mp | 1.00 |"
echo "| ours, built with a key (same pass + SHA-256, ECDSA) | ${signed_ms[*]} | $ms | $(ratio "$ms" "$mp") |"
echo "| curl -s -o f + md5sum f + sha256sum f | ${curl_ms[*]} | $mc | $(ratio "$mc" "$mp") |"
