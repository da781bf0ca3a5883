#!/usr/bin/env bash
# A package whose MD5 does not match: ten attempts, the failure box, exit code
# 0, nothing installed and the installation untouched; the log file says why.
#   e2e_wrong_md5.sh <bin-dir> <state-dir>
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
e2e_begin "$2" "$1" || exit 1
mkdir -p "$E2E_STATE/www"
e2e_make_package "$E2E_STATE/www/update.zip" "Vellacast/" 2 300000
e2e_serve "$E2E_STATE/www" || exit 1
root=$E2E_STATE/demo
e2e_layout "$root"
before=$(cd "$root" && find . -type f | sort | xargs md5sum)

e2e_start_updater "-url=http://127.0.0.1:$E2E_PORT/update.zip" -md5=0123456789abcdef0123456789abcdef \
  -pagecallparam=x -forcedupdate=2
# Ten attempts with a 2 s pause after each failed one.
e2e_driver --class "$E2E_TIPS" --timeout 90000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "no failure box"
e2e_expect_updater_done
probes=$(grep -c '"GET /update.zip' "$E2E_STATE/nginx/logs/access.log")
[ "$probes" -ge 10 ] || e2e_fail "only $probes requests for ten attempts"
after=$(cd "$root" && find . -type f ! -name update.td ! -name 'update.td?' | sort | xargs md5sum)
[ "$before" = "$after" ] || e2e_fail "the installation changed: $(diff <(echo "$before") <(echo "$after"))"
e2e_expect_absent "$root/Vellacast/temp/update.zip"
[ -s "$E2E_RECORD" ] && e2e_fail "a Client was started"
e2e_expect_log Updater '^\[ZVK\]\[E\]\[[0-9: -]+\] package digest mismatch: expected md5 0123456789abcdef0123456789abcdef'
e2e_expect_log Updater '\] run ended: download failed, nothing installed; exit code 0$'
e2e_finish "wrong MD5"
