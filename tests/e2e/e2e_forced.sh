#!/usr/bin/env bash
# Forced update end to end: the version notice is answered, the Client is
# stopped, the package is downloaded and verified, unpacked into the
# launcher's folder (nothing is written into the folder above it), the launch
# window is closed, and the launcher started with pagecallparam starts the
# Client with the parameters; a keyed one applies temp\update.zip once more,
# a keyless one leaves it alone (under Wine every user may write temp\).
#   e2e_forced.sh <bin-dir> <state-dir> [package_server]
# With the (native) scripted package server given, it serves the package
# instead of nginx.
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
e2e_begin "$2" "$1" || exit 1

# E2E_ROOT_NAME names the folder that holds the installation (any characters).
root=$E2E_STATE/${E2E_ROOT_NAME:-demo}
e2e_layout "$root"
mkdir -p "$E2E_STATE/www"
e2e_make_package "$E2E_STATE/www/update.zip" "" 2
if [ -n "${3:-}" ]; then
  e2e_serve_scripted "$3" "$E2E_STATE/www/update.zip" || exit 1
else
  e2e_serve "$E2E_STATE/www" || exit 1
fi

# The folder above the installation: its entries and its own modification time.
above() { stat -c %y "$root"; find "$root" -mindepth 1 -maxdepth 1 -printf '%f\n' | sort; }
above_before=$(above)
e2e_start_client || e2e_fail "the Client did not come up"
e2e_start_updater "-url=$E2E_BASE_URL/update.zip" "-md5=$E2E_MD5" -pagecallparam=course?id=7 -forcedupdate=1
e2e_driver --class "$E2E_TIPS" --timeout 20000 >/dev/null || e2e_fail "no version notice"
e2e_shot version-notice >/dev/null
# The notice: 310 x 100, centred over the Client's window.
if e2e_geometry vellacast; then
  owner=("${E2E_RECT[@]}")
  e2e_geometry "$E2E_TIPS" || e2e_fail "the notice's geometry could not be read"
  expected="310 100 $(((owner[0] + owner[2]) / 2 - 155)) $(((owner[1] + owner[3]) / 2 - 50))"
  [ "${E2E_CLIENT[*]} ${E2E_RECT[0]} ${E2E_RECT[1]}" = "$expected" ] \
    || e2e_fail "notice at ${E2E_RECT[*]} with client ${E2E_CLIENT[*]}; expected size, left, top: $expected"
else
  e2e_fail "the Client's window geometry could not be read"
fi
notice=$(e2e_driver --class "$E2E_TIPS" --timeout 2000 --print --answer enter --wait-gone 5000) \
  || e2e_fail "the version notice was not answered"
e2e_log "notice: $notice"
e2e_driver --class "$E2E_LAUNCH" --timeout 60000 >/dev/null || e2e_fail "no launch window"
e2e_shot launch-window >/dev/null
e2e_driver --class "$E2E_LAUNCH" --timeout 2000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "the launch window was not answered"
e2e_expect_updater_done
e2e_wait_record ' args ' 2 150 || e2e_fail "the launcher did not start the Client"

# The first Client was terminated (no exit line of its own), the second got the parameters.
grep -q 'exit' <(head -n 4 "$E2E_RECORD") && e2e_fail "the first Client ended by itself instead of being stopped"
grep -qE '^[0-9]+ args course\?id=7$' "$E2E_RECORD" || e2e_fail "Client parameters: $(grep ' args ' "$E2E_RECORD")"
# The forced unpack and the launcher's own install both write into the launcher's folder only.
e2e_expect_file "$root/Vellacast/version.txt" "version 2"
e2e_expect_file "$root/Vellacast/data/readme.txt" "new data of version 2"
[ "$(above)" = "$above_before" ] || e2e_fail "the folder above the installation changed: $(above)"
cmp -s <(unzip -p "$E2E_STATE/www/update.zip" data/blob.bin) "$root/Vellacast/data/blob.bin" \
  || e2e_fail "blob.bin differs from the package"
e2e_expect_absent "$root/Vellacast/update.zip"
if [ -n "${E2E_SIGN_KEY:-}" ]; then
  # A keyed release takes the signed package from temp\ and applies it once more.
  e2e_expect_absent "$root/Vellacast/temp/update.zip"
else
  # Wine keeps no access lists: every user may write temp\ there, so a launcher
  # without a publisher key leaves the package alone (the updater installed it).
  [ -f "$root/Vellacast/temp/update.zip" ] || e2e_fail "the keyless launcher took the package from temp"
fi
e2e_expect_absent "$root/Vellacast/temp/Updater.exe"
"$WINE64" reg query 'HKCR\quillaneth\shell\open\command' 2>/dev/null | grep -a REG_SZ | grep -q 'ZVKLaunch.exe' \
  || e2e_fail "the URL command was not registered"
e2e_driver --class vellacast --answer close --timeout 5000 --wait-gone 5000 >/dev/null || true
[ "$E2E_FAILED" = 0 ] && echo "PASS forced update" || { cat "$E2E_RECORD" >&2; exit 1; }
