#!/usr/bin/env bash
# Builds the zip fuzzer (clang, ASan + UBSan), makes its seed corpus and runs
# it for the given number of seconds (default 600) on one worker.
#   tests/fuzz/zipextract/run_fuzz.sh [seconds] [build folder]
set -euo pipefail
seconds=${1:-600}
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${2:-$root/build/zip-fuzz}
cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DZVK_BUILD_FUZZERS=ON -DZVK_BUILD_TESTS=OFF -DZVK_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target zip_extract_fuzzer zip_seed_corpus
corpus=$build/fuzz/zip-corpus
mkdir -p "$corpus"
"$build/fuzz/zip_seed_corpus" "$corpus"
scratch=$(mktemp -d /dev/shm/zvk-zip-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$build/fuzz"
ZVK_FUZZ_SCRATCH=$scratch ./zip_extract_fuzzer -max_total_time="$seconds" -max_len=65536 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -jobs=1 -workers=1 "$corpus"
