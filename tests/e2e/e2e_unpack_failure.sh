#!/usr/bin/env bash
# A forced update whose package passes its MD5 check but cannot be unpacked
# (it is no zip archive): the user gets the failure box, not the news that the
# update worked; no "install success" is logged; the launch window and the
# launcher follow, and the installation keeps its files.
#   e2e_unpack_failure.sh <bin-dir> <state-dir>
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
e2e_begin "$2" "$1" || exit 1
mkdir -p "$E2E_STATE/www"
yes 'not a zip archive' | head -c 200000 >"$E2E_STATE/www/update.zip"
E2E_MD5=$(md5sum "$E2E_STATE/www/update.zip" | cut -d' ' -f1)
e2e_serve "$E2E_STATE/www" || exit 1
root=$E2E_STATE/demo
e2e_layout "$root"

# The updater's debugger output (its log) goes to standard error with +debugstr.
WINEDEBUG=+debugstr e2e_start_updater "-url=http://127.0.0.1:$E2E_PORT/update.zip" "-md5=$E2E_MD5" \
  -pagecallparam=after=failure -forcedupdate=1
e2e_driver --class "$E2E_TIPS" --timeout 20000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "no version notice"
e2e_driver --class "$E2E_TIPS" --timeout 60000 --answer none >/dev/null || e2e_fail "no failure box"
e2e_shot unpack-failure >/dev/null
e2e_driver --class "$E2E_TIPS" --timeout 2000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "the failure box did not close"
e2e_driver --class "$E2E_LAUNCH" --timeout 20000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "no launch window after the failure box"
e2e_expect_updater_done
e2e_wait_record ' args after=failure$' 1 150 || e2e_fail "the launcher was not started"

log=$E2E_STATE/updater.out
grep -q 'update install failed' "$log" || e2e_fail "no 'update install failed' line"
grep -q 'install success' "$log" && e2e_fail "'install success' logged after a failed unpack"
e2e_expect_file "$root/Vellacast/version.txt" "version 1"
e2e_finish "forced unpack failed"
