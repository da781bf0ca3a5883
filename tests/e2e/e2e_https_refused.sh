#!/usr/bin/env bash
# HTTPS servers that must be refused, under Wine's Schannel. The updater
# against an authority nobody trusts: ten failed attempts, the failure box,
# nothing installed. The download engine itself (download_cli.exe, the same
# worker with its ten attempts) against a certificate for another host and
# an expired one, each failure naming its reason; a redirection from https to
# plain http refused, one from http to https followed.
#   e2e_https_refused.sh <bin-dir> <state-dir> <download_cli.exe>
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
trap e2e_end EXIT
e2e_begin "$2" "$1" || exit 1
cli=$3
mkdir -p "$E2E_STATE/www"
e2e_make_package "$E2E_STATE/www/update.zip" "Vellacast/" 2 300000
E2E_HTTPS=1 e2e_serve "$E2E_STATE/www" || exit 1
root=$E2E_STATE/demo
e2e_layout "$root"
before=$(cd "$root" && find . -type f | sort | xargs md5sum)
access=$E2E_STATE/nginx/logs/access.log

e2e_start_updater "-url=https://localhost:${E2E_TLS_PORTS[3]}/update.zip" "-md5=$E2E_MD5" -pagecallparam=x \
  -forcedupdate=2
e2e_driver --class "$E2E_TIPS" --timeout 90000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "no failure box"
e2e_expect_updater_done
refused=$(grep -ac 'certificate untrusted' "$E2E_STATE/updater.out")
[ "$refused" -ge 10 ] || e2e_fail "$refused untrusted handshakes for ten attempts"
after=$(cd "$root" && find . -type f ! -name 'update.td*' | sort | xargs md5sum)
[ "$before" = "$after" ] || e2e_fail "the installation changed: $(diff <(echo "$before") <(echo "$after"))"
[ -s "$E2E_RECORD" ] && e2e_fail "a Client was started"
grep -q 'update.zip' "$access" && e2e_fail "a request passed the refused handshake: $(grep -m 1 update.zip "$access")"

# <name> <url> <expected outcome>: one worker run in a fresh folder.
cli_run() {
  local folder=$E2E_STATE/cli-$1
  mkdir -p "$folder"
  "$WINE64" "$cli" --url "$2" --md5 "$E2E_MD5" --folder "$(e2e_wine_path "$folder")" </dev/null 2>/dev/null \
    | tr -d '\r' >"$folder.out"
  grep -q "^$3 " "$folder.out" || e2e_fail "$1: $(tail -n 3 "$folder.out")"
}
cli_run wronghost "https://localhost:${E2E_TLS_PORTS[1]}/update.zip" failed
[ "$(grep -c 'certificate for another host' "$E2E_STATE/cli-wronghost.out")" -ge 10 ] || e2e_fail "wrong host not named"
cli_run expired "https://localhost:${E2E_TLS_PORTS[2]}/update.zip" failed
[ "$(grep -c 'certificate expired' "$E2E_STATE/cli-expired.out")" -ge 10 ] || e2e_fail "expiry not named"
cli_run downgrade "$E2E_BASE_URL/to-http.zip" failed
grep -q '"GET /update.zip' "$access" && e2e_fail "the redirection to plain http was followed"
cli_run upgrade "http://127.0.0.1:$E2E_REDIRECT_PORT/to-https.zip" finished
cmp -s "$E2E_STATE/www/update.zip" "$E2E_STATE/cli-upgrade/update.zip" || e2e_fail "the package over https differs"
e2e_finish "refused HTTPS servers"
