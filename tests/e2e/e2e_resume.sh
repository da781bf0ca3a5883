#!/usr/bin/env bash
# The updater killed in the middle of the download, then started again:
# it resumes from the segment files and ends with a byte-identical package.
#   e2e_resume.sh <bin-dir> <state-dir>
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
e2e_begin "$2" "$1" || exit 1
mkdir -p "$E2E_STATE/www"
size=4000000
e2e_make_package "$E2E_STATE/www/update.zip" "" 2 "$size"
total=$(stat -c %s "$E2E_STATE/www/update.zip")
# Four connections at 250 kB/s each: about four seconds for the whole package.
e2e_serve "$E2E_STATE/www" 250k || exit 1
root=$E2E_STATE/demo
e2e_layout "$root"
args=("-url=$E2E_BASE_URL/update.zip" "-md5=$E2E_MD5")

segments() { cat "$root"/Vellacast/temp/update.td? 2>/dev/null | wc -c; }
e2e_start_updater "${args[@]}"
# Killed once a third has arrived, however long Wine took to start.
for _ in $(seq 300); do
  [ "$(segments)" -ge $((total / 3)) ] && break
  sleep 0.1
done
first=$(segments)
kill -9 "$E2E_UPDATER_PID"; wait "$E2E_UPDATER_PID" 2>/dev/null
sleep 1
e2e_log "killed with $first of $total bytes in the segment files"
[ "$first" -gt 0 ] && [ "$first" -lt "$total" ] || e2e_fail "not killed mid-download ($first bytes)"
e2e_expect_absent "$root/Vellacast/temp/update.zip"
lines_before=$(wc -l <"$E2E_STATE/nginx/logs/access.log")

e2e_start_updater "${args[@]}"
e2e_wait_package 300 || e2e_fail "the second run did not finish the package"
cmp -s "$E2E_STATE/www/update.zip" "$root/Vellacast/temp/update.zip" || e2e_fail "the package differs from the served one"
# The second run fetched only what was missing (plus the size probe).
second=$(tail -n +"$((lines_before + 1))" "$E2E_STATE/nginx/logs/access.log" | awk '{ s += $10 } END { print s + 0 }')
e2e_log "second run transferred $second bytes"
[ "$second" -lt "$total" ] || e2e_fail "the second run fetched $second bytes: nothing was resumed"
sleep 2
e2e_driver --class "$E2E_UPDATER" --answer escape --timeout 5000 --wait-gone 5000 >/dev/null || true
e2e_expect_updater_done
e2e_finish "killed and resumed download"
