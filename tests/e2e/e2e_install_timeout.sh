#!/usr/bin/env bash
# A forced install whose target cannot be created: an installation at the
# root of a drive (Y:\ZVKLaunch.exe, Y:\temp\Updater.exe) has no folder above
# the launcher's. The unpack is retried until the limit (shortened for the
# test through ZVK_TEST_INSTALL_LIMIT_MS), then the failure box appears, no
# "install success" is logged, and the launch window and the launcher follow.
#   e2e_install_timeout.sh <bin-dir> <state-dir>
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
e2e_begin "$2" "$1" || exit 1
mkdir -p "$E2E_STATE/www"
e2e_make_package "$E2E_STATE/www/update.zip" "" 2 200000
e2e_serve "$E2E_STATE/www" || exit 1
root=$E2E_STATE/demo
e2e_layout "$root"
drive=$WINEPREFIX/dosdevices/y:
rm -f "$drive"
ln -s "$E2E_INSTALL" "$drive"

limit_ms=6000
started=$(date +%s%N)
# The updater's debugger output (its log) goes to standard error with +debugstr.
ZVK_TEST_INSTALL_LIMIT_MS=$limit_ms WINEDEBUG=+debugstr \
  "$WINE64" 'Y:\temp\Updater.exe' "-url=http://127.0.0.1:$E2E_PORT/update.zip" "-md5=$E2E_MD5" \
  -pagecallparam=after=timeout -forcedupdate=1 </dev/null >/dev/null 2>"$E2E_STATE/updater.log" &
E2E_UPDATER_PID=$!
e2e_driver --class "$E2E_TIPS" --timeout 20000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "no version notice"
e2e_driver --class "$E2E_TIPS" --timeout 60000 --answer none >/dev/null || e2e_fail "no failure box"
waited_ms=$((($(date +%s%N) - started) / 1000000))
e2e_shot install-failure >/dev/null
e2e_driver --class "$E2E_TIPS" --timeout 2000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "the failure box did not close"
e2e_driver --class "$E2E_LAUNCH" --timeout 20000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "no launch window after the failure box"
e2e_wait_updater 20
[ "$E2E_UPDATER_CODE" = 0 ] || e2e_fail "updater exit code $E2E_UPDATER_CODE"
e2e_wait_record ' args after=timeout$' 1 150 || e2e_fail "the launcher was not started"
rm -f "$drive"

log=$E2E_STATE/updater.log
e2e_log "failure box after $waited_ms ms"
[ "$waited_ms" -ge "$limit_ms" ] || e2e_fail "the failure box came before the limit"
grep -q 'update install failed' "$log" || e2e_fail "no 'update install failed' line"
grep -q 'zipName: Y:.*update.zip' "$log" || e2e_fail "no zipName line"
grep -q 'folder: ' "$log" || e2e_fail "no folder line"
grep -q 'install success' "$log" && e2e_fail "'install success' logged after a failed install"
# The launcher still applied the package from temp into its own folder.
e2e_expect_file "$root/Vellacast/version.txt" "version 2"
e2e_finish "forced install timed out"
