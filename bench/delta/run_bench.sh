#!/usr/bin/env bash
# Delta against full package on loopback, written as Markdown tables to
# standard output (copied into bench/README.md by hand).
#
#   bench/delta/run_bench.sh BUILD_DIR [REPETITIONS]
#
# BUILD_DIR is a native build with the targets zvkpublish, download_cli_signed
# and apply_cli. A Client folder of about 200 MB in 2000 files becomes version
# 1.0; version 2.0 changes three files (one a 3 MB DLL), adds one and removes
# one. Both are published with the tests' key as the publisher would (the
# delta and the full package of 2.0 in one command). nginx serves them on
# 127.0.0.1 with limit_rate 2m per connection. Every run starts from a copy of
# the installation at 1.0 and an empty download folder.
set -euo pipefail
shopt -s inherit_errexit
build=$(cd "$1" && pwd)
reps=${2:-3}
publish=$build/bin/zvkpublish
cli=$build/bench/download_cli_signed
apply=$build/bench/apply_cli
for tool in "$publish" "$cli" "$apply" /usr/sbin/nginx sha256sum python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/download/bench_lib.sh
source "$here/../download/bench_lib.sh"
bench_begin delta-bench

# 2000 files in 100 folders, 200 MB in all, incompressible; bin/render.dll is 3 MB.
python3 - "$work/v1" <<'PY'
import os, random, sys
root = sys.argv[1]
r = random.Random(1)
sizes = [r.randint(20000, 180000) for _ in range(1999)]
scale = (200_000_000 - 3_000_000) / sum(sizes)
for i, size in enumerate(sizes):
    folder = os.path.join(root, "data%02d" % (i % 100))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "file%04d.bin" % i), "wb") as f:
        f.write(r.randbytes(int(size * scale)))
os.makedirs(os.path.join(root, "bin"), exist_ok=True)
with open(os.path.join(root, "bin", "render.dll"), "wb") as f:
    f.write(r.randbytes(3_000_000))
PY
cp -a "$work/v1" "$work/v2"
python3 - "$work/v2" <<'PY'
import os, random, sys
root = sys.argv[1]
r = random.Random(2)
for name, size in (("bin/render.dll", 3_000_000), ("data00/file0000.bin", 50_000), ("data01/file0001.bin", 80_000),
                   ("data02/added.bin", 120_000)):
    with open(os.path.join(root, name), "wb") as f:
        f.write(r.randbytes(size))
os.remove(os.path.join(root, "data03/file0003.bin"))
PY

port=$(free_port)
bench_nginx "  server { listen 127.0.0.1:$port; root $work/www; limit_rate 2m; }"
url=http://127.0.0.1:$port
key=$work/test_publisher.key
install -m 600 "$here/../../tests/keys/test_publisher.key" "$key"
"$publish" publish "$work/v1" --key "$key" --version 1.0 --url "$url/full-1.0.zip" -o "$work/pub1" >/dev/null 2>&1
"$publish" publish "$work/v2" --key "$key" --version 2.0 --since "$work/pub1/full-1.0.zip" \
  --url "$url/delta-2.0.zip" --full-url "$url/full-2.0.zip" -o "$work/www" >/dev/null 2>&1
mkdir -p "$work/base"
"$apply" "$work/pub1/full-1.0.zip" "$work/base" >/dev/null
rm -rf "$work/v1" "$work/v2" "$work/pub1"

full_size=$(stat -c %s "$work/www/full-2.0.zip")
delta_size=$(stat -c %s "$work/www/delta-2.0.zip")
full_md5=$(digest "$work/www/full-2.0.zip")
delta_md5=$(digest "$work/www/delta-2.0.zip")
files=$(find "$work/base" -type f | wc -l)
base_bytes=$(du -sb "$work/base" | cut -f1)

# fetch_and_apply <package> <md5>: "download-ms apply-ms" into an installation at 1.0.
fetch_and_apply() {
  rm -rf "$work/inst" "$work/out" && cp -a "$work/base" "$work/inst" && mkdir -p "$work/out"
  local start mid end
  start=$(now_ms)
  "$cli" --url "$url/$1" --md5 "$2" --folder "$work/out" >"$work/cli.log" || { cat "$work/cli.log" >&2; exit 1; }
  mid=$(now_ms)
  "$apply" "$work/out/update.zip" "$work/inst" >/dev/null
  end=$(now_ms)
  echo "$((mid - start)) $((end - mid))"
}

# check_against_sha256sum: "sha256sum-ms apply-ms apply-bytes-read" over the
# same fresh copy at 1.0 (the files were just written: both read them from
# the page cache).
check_against_sha256sum() {
  rm -rf "$work/inst" && cp -a "$work/base" "$work/inst"
  local start mid end
  start=$(now_ms)
  (cd "$work/inst" && find . -type f -print0 | xargs -0 sha256sum >/dev/null)
  mid=$(now_ms)
  "$apply" "$work/www/delta-2.0.zip" "$work/inst" >"$work/apply.log"
  end=$(now_ms)
  echo "$((mid - start)) $((end - mid)) $(sed -n 's/^read //p' "$work/apply.log")"
}

full_dl=() full_ap=() delta_dl=() delta_ap=() sums=() checks=() reads=()
for _ in $(seq "$reps"); do
  read -r d a < <(fetch_and_apply full-2.0.zip "$full_md5"); full_dl+=("$d"); full_ap+=("$a")
  read -r d a < <(fetch_and_apply delta-2.0.zip "$delta_md5"); delta_dl+=("$d"); delta_ap+=("$a")
  read -r s a r < <(check_against_sha256sum); sums+=("$s"); checks+=("$a"); reads+=("$r")
done
med() { printf '%s\n' "$@" | median; }
totals() { local -n dl=$1 ap=$2; local out=() i; for i in "${!dl[@]}"; do out+=($((dl[i] + ap[i]))); done; med "${out[@]}"; }

echo "Installation at 1.0: $files files, $base_bytes bytes; $reps runs each, medians."
echo
echo "| package | size | of the full package | download ms | apply ms | download + apply ms |"
echo "|---|---|---|---|---|---|"
echo "| full 2.0 | $full_size | 100% | $(med "${full_dl[@]}") | $(med "${full_ap[@]}") | $(totals full_dl full_ap) |"
echo "| delta 1.0 to 2.0 | $delta_size | $(awk -v d="$delta_size" -v f="$full_size" 'BEGIN {printf "%.2f%%", 100 * d / f}') | $(med "${delta_dl[@]}") | $(med "${delta_ap[@]}") | $(totals delta_dl delta_ap) |"
echo
echo "| over the same installation | ms | / sha256sum | bytes read | / installation + delta |"
echo "|---|---|---|---|---|"
s=$(med "${sums[@]}") c=$(med "${checks[@]}") r=$(med "${reads[@]}")
echo "| sha256sum of every file | $s | 1.00 | | |"
echo "| delta apply, kept files checked | $c | $(awk -v c="$c" -v s="$s" 'BEGIN {printf "%.2f", c / s}') | $r | $(awk -v r="$r" -v b="$base_bytes" -v d="$delta_size" 'BEGIN {printf "%.3f", r / (b + d)}') |"
echo
echo "Single runs (ms): full download ${full_dl[*]}, apply ${full_ap[*]}; delta download ${delta_dl[*]},"
echo "apply ${delta_ap[*]}; sha256sum ${sums[*]}; delta apply ${checks[*]}."
