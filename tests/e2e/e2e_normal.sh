#!/usr/bin/env bash
# Normal update end to end, both endings:
#   install button: the launcher is started without unpacking;
#   close instead: nothing is installed, the package stays in temp, and the
#   next launcher start finds it.
# A keyed release (E2E_SIGN_KEY) applies the package. Wine keeps no access
# lists: every user may write temp\ there, so a launcher built without a
# publisher key leaves the package alone with an ERROR line.
#   e2e_normal.sh <bin-dir> <state-dir>
set -uo pipefail
keyed=${E2E_SIGN_KEY:+1}
new_version=1
[ -n "$keyed" ] && new_version=2
source "$(dirname "$0")/lib/e2e_env.sh"
e2e_begin "$2" "$1" || exit 1
mkdir -p "$E2E_STATE/www"
e2e_make_package "$E2E_STATE/www/update.zip" "" 2
e2e_serve "$E2E_STATE/www" || exit 1
url="-url=http://127.0.0.1:$E2E_PORT/update.zip"

echo "== install button"
root=$E2E_STATE/install-button
e2e_layout "$root"
e2e_start_client || e2e_fail "the Client did not come up"
e2e_start_updater "$url" "-md5=$E2E_MD5" -pagecallparam=lesson=3
e2e_wait_package 300 || e2e_fail "the package was not downloaded"
# The window shows its install button at the next progress tick.
sleep 2.5
# 310 x 100 in the bottom-right corner of the work area.
if e2e_geometry "$E2E_UPDATER"; then
  [ "${E2E_CLIENT[*]} ${E2E_RECT[2]} ${E2E_RECT[3]}" = "310 100 ${E2E_WORKAREA[2]} ${E2E_WORKAREA[3]}" ] \
    || e2e_fail "updater window at ${E2E_RECT[*]} with client ${E2E_CLIENT[*]}, work area ${E2E_WORKAREA[*]}"
else
  e2e_fail "the updater window's geometry could not be read"
fi
e2e_record_before=$(wc -l <"$E2E_RECORD")
grep -q ' exit ' "$E2E_RECORD" && e2e_fail "the Client was stopped before the install"
e2e_driver --class "$E2E_UPDATER" --answer "click=$E2E_INSTALL_BUTTON" --timeout 5000 >/dev/null \
  || e2e_fail "the install button was not clicked"
e2e_driver --class "$E2E_LAUNCH" --timeout 20000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "no launch window after the install button"
e2e_expect_updater_done
e2e_wait_record ' args lesson=3$' 1 150 || e2e_fail "the launcher did not start the Client with lesson=3"
[ "$(wc -l <"$E2E_RECORD")" -gt "$e2e_record_before" ] || e2e_fail "no new Client"
# Nothing was unpacked above the launcher; the launcher applied the package
# in its folder when it may.
e2e_expect_absent "$root/version.txt"
e2e_expect_file "$root/Vellacast/version.txt" "version $new_version"
if [ -n "$keyed" ]; then
  e2e_expect_absent "$root/Vellacast/temp/update.zip"
else
  cmp -s "$E2E_STATE/www/update.zip" "$root/Vellacast/temp/update.zip" || e2e_fail "the package did not stay in temp"
fi
e2e_expect_absent "$root/Vellacast/update.zip"
e2e_driver --class vellacast --answer close --timeout 3000 --wait-gone 5000 >/dev/null 2>&1 || true

echo "== close instead"
root=$E2E_STATE/close-instead
e2e_layout "$root"
e2e_start_updater "$url" "-md5=$E2E_MD5" -pagecallparam=lesson=4
e2e_wait_package 300 || e2e_fail "the package was not downloaded"
sleep 2.5
e2e_driver --class "$E2E_UPDATER" --answer escape --timeout 5000 --wait-gone 5000 >/dev/null \
  || e2e_fail "the updater window did not close on Escape"
e2e_expect_updater_done
e2e_expect_file "$root/Vellacast/version.txt" "version 1"
cmp -s "$E2E_STATE/www/update.zip" "$root/Vellacast/temp/update.zip" || e2e_fail "the package did not stay in temp"
[ -s "$E2E_RECORD" ] && e2e_fail "a Client was started although nothing was installed"
# The next launcher start applies it, or says why it leaves it there.
"$WINE64" "$root/Vellacast/ZVKLaunch.exe" </dev/null >/dev/null 2>"$E2E_STATE/launcher.err"
e2e_wait_record ' ready ' 1 150 || e2e_fail "the launcher did not start the Client"
e2e_expect_file "$root/Vellacast/version.txt" "version $new_version"
if [ -z "$keyed" ]; then
  grep -aq '\[E\].*let only administrators write that folder' "$E2E_STATE/launcher.err" \
    || e2e_fail "no ERROR line naming the remedy"
fi
e2e_finish "normal update (install button, close instead)"
