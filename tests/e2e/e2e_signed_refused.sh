#!/usr/bin/env bash
# An updater built with a publisher key refuses a package signed by another
# key, an unsigned one and one altered after signing (its MD5 taken anew):
# ten attempts, the failure box, nothing installed.
#   e2e_signed_refused.sh <bin-dir> <state-dir> <zvkpublish>
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
source "$(dirname "$0")/lib/e2e_signed.sh"
e2e_begin "$2" "$1" || exit 1
e2e_signed_tools "$3" || exit 1
mkdir -p "$E2E_STATE/www"
e2e_serve "$E2E_STATE/www" || exit 1

for kind in other-key unsigned altered; do
  echo "== updater refuses: $kind"
  case $kind in
    other-key) e2e_signed_package "$E2E_STATE/www/$kind.zip" "$E2E_OTHER_KEY" 2 ;;
    unsigned) e2e_signed_package "$E2E_STATE/www/$kind.zip" - 2 ;;
    altered) e2e_signed_package "$E2E_STATE/www/$kind.zip" "$E2E_KEY" 2 && e2e_alter_package "$E2E_STATE/www/$kind.zip" ;;
  esac
  root=$E2E_STATE/$kind
  e2e_signed_layout "$root"
  before=$(e2e_snapshot "$root/Vellacast")
  e2e_start_updater "-url=http://127.0.0.1:$E2E_PORT/$kind.zip" "-md5=$E2E_MD5" -pagecallparam=x -forcedupdate=2
  e2e_driver --class "$E2E_TIPS" --timeout 90000 --answer enter --wait-gone 5000 >/dev/null \
    || e2e_fail "$kind: no failure box"
  e2e_wait_updater 20
  [ "$E2E_UPDATER_CODE" = 0 ] || e2e_fail "$kind: updater exit code $E2E_UPDATER_CODE"
  after=$(e2e_snapshot "$root/Vellacast" | grep -v ' ./temp/update.td')
  [ "$before" = "$after" ] || e2e_fail "$kind: the installation changed"
  e2e_expect_absent "$root/Vellacast/temp/update.zip"
  [ -s "$E2E_RECORD" ] && e2e_fail "$kind: a Client was started"
done
e2e_finish "signed packages refused by the updater"
