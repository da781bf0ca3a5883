#!/usr/bin/env bash
# Programs built with a publisher key: a forced update signed by that key
# installs; packages planted in temp\ (signed by another key, unsigned, or
# altered after signing) are set aside by the launcher, which starts the
# Client with the installation unchanged.
#   e2e_signed.sh <bin-dir> <state-dir> <zvkpublish>
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
source "$(dirname "$0")/lib/e2e_signed.sh"
e2e_begin "$2" "$1" || exit 1
e2e_signed_tools "$3" || exit 1

root=$E2E_STATE/demo
e2e_signed_layout "$root"
mkdir -p "$E2E_STATE/www"
e2e_signed_package "$E2E_STATE/www/update.zip" "$E2E_KEY" 2
e2e_serve "$E2E_STATE/www" || exit 1

echo "== signed forced update"
e2e_start_client || e2e_fail "the Client did not come up"
e2e_start_updater "-url=http://127.0.0.1:$E2E_PORT/update.zip" "-md5=$E2E_MD5" -pagecallparam=signed -forcedupdate=1
e2e_driver --class "$E2E_TIPS" --timeout 20000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "the version notice was not answered"
e2e_driver --class "$E2E_LAUNCH" --timeout 60000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "no launch window"
e2e_wait_updater 20
e2e_wait_record ' args ' 2 150 || e2e_fail "the launcher did not start the Client"
e2e_expect_file "$root/Vellacast/version.txt" "version 2"
e2e_expect_file "$root/Vellacast/data/readme.txt" "new data of version 2"
e2e_expect_absent "$root/Vellacast/temp/update.zip"
e2e_expect_absent "$root/Vellacast/update.rejected.zip"

echo "== launcher applies a signed package left in temp"
e2e_driver --class vellacast --answer close --timeout 3000 --wait-gone 5000 >/dev/null 2>&1 || true
e2e_signed_package "$root/Vellacast/temp/update.zip" "$E2E_KEY" 3
starts=$(grep -c ' args ' "$E2E_RECORD")
"$WINE64" "$root/Vellacast/ZVKLaunch.exe" left </dev/null >/dev/null 2>&1
e2e_wait_record ' args ' $((starts + 1)) 150 || e2e_fail "left package: the Client was not started"
e2e_expect_file "$root/Vellacast/version.txt" "version 3"
e2e_expect_absent "$root/Vellacast/temp/update.zip"

for kind in other-key unsigned altered; do
  echo "== launcher refuses a planted package: $kind"
  e2e_driver --class vellacast --answer close --timeout 3000 --wait-gone 5000 >/dev/null 2>&1 || true
  planted=$E2E_STATE/planted-$kind.zip
  reason="bad signature"
  case $kind in
    other-key) e2e_signed_package "$planted" "$E2E_OTHER_KEY" 3 ;;
    unsigned) e2e_signed_package "$planted" - 3 && reason=unsigned ;;
    altered) e2e_signed_package "$planted" "$E2E_KEY" 3 && e2e_alter_package "$planted" ;;
  esac
  before=$(e2e_snapshot "$root/Vellacast")
  starts=$(grep -c ' args ' "$E2E_RECORD")
  cp "$planted" "$root/Vellacast/temp/update.zip"
  "$WINE64" "$root/Vellacast/ZVKLaunch.exe" "$kind" </dev/null >/dev/null 2>"$E2E_STATE/launcher-$kind.err"
  e2e_wait_record ' args ' $((starts + 1)) 150 || e2e_fail "$kind: the Client was not started"
  cmp -s "$planted" "$root/Vellacast/update.rejected.zip" || e2e_fail "$kind: the package was not set aside"
  grep -q "\[E\].*pending update refused, not installed: $reason" "$E2E_STATE/launcher-$kind.err" \
    || e2e_fail "$kind: no ERROR line saying '$reason'"
  e2e_expect_log ZVKLaunch "^\[WEX\]\[E\]\[[0-9: -]+\] pending update refused, not installed: $reason"
  [ "$before" = "$(e2e_snapshot "$root/Vellacast")" ] || e2e_fail "$kind: the installation changed"
  e2e_expect_file "$root/Vellacast/version.txt" "version 3"
done
e2e_finish "signed packages"
