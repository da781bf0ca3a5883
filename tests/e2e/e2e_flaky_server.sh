#!/usr/bin/env bash
# A server that misbehaves on the first requests (the scripted package server:
# a garbage status line, a connection closed in the middle of a body, a wrong
# length): the failed attempts are retried after their pauses, the retry count
# shows in the window, and the package is still installed.
#   e2e_flaky_server.sh <bin-dir> <state-dir> <native package_server>
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
server=${3:-}
if [ ! -x "$server" ]; then
  echo "SKIP: no native package_server at '$server' (build the native configuration first)"
  exit 77
fi
e2e_begin "$2" "$1" || exit 1
e2e_make_package "$E2E_STATE/update.zip" "" 2 1000000
root=$E2E_STATE/demo
e2e_layout "$root"

e2e_serve_scripted "$server" "$E2E_STATE/update.zip" garbage,wrong-length,garbage || exit 1

started=$(date +%s%N)
e2e_start_updater "-url=http://127.0.0.1:$E2E_PORT/update.zip" "-md5=$E2E_MD5" -pagecallparam=flaky -forcedupdate=2
e2e_driver --class "$E2E_LAUNCH" --timeout 90000 --answer none >/dev/null || e2e_fail "no launch window"
# Three failed attempts, each followed by the window's 2000 ms pause.
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
[ "$elapsed_ms" -ge 6000 ] || e2e_fail "installed after $elapsed_ms ms: the failed attempts were not retried"
e2e_driver --class "$E2E_LAUNCH" --answer enter --wait-gone 5000 >/dev/null || e2e_fail "the launch window did not close"
e2e_expect_updater_done
e2e_wait_record ' args flaky$' 1 150 || e2e_fail "the launcher did not start the Client"
e2e_expect_absent "$root/version.txt"
e2e_expect_file "$root/Vellacast/version.txt" "version 2"
cmp -s <(unzip -p "$E2E_STATE/update.zip" data/blob.bin) "$root/Vellacast/data/blob.bin" \
  || e2e_fail "blob.bin differs from the package"
e2e_finish "flaky server"
