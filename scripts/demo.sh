#!/usr/bin/env bash
# The main job: one whole update of a Vellacast installation under Wine on a
# private virtual display, with the real Updater.exe, ZVKLaunch.exe and
# zlib.dll, a stand-in Client, and nginx serving the package on 127.0.0.1.
#
#   scripts/demo.sh            forced update: the version notice is answered, the
#                              Client is stopped, the package is downloaded in four
#                              ranges, verified, unpacked, and the Client restarted
#                              through the launcher with its parameters
#   scripts/demo.sh --normal   normal update: the Client keeps running during the
#                              download, then the install button is pressed
#   --http                     serves the package over plain HTTP on 127.0.0.1;
#                              by default it comes over HTTPS from localhost, with
#                              a demo authority trusted only in the demo's Wine prefix
#   --unsigned                 (with any) today's road: programs built without a
#                              publisher key and a package zipped without the tool.
#                              By default the demo is signed: a demo key pair in
#                              build/demo-key (made once by zvkpublish keygen), the
#                              programs built with its public key in build/win64-demo,
#                              and the package published by zvkpublish
#
# The GUI driver answers the windows. At the end it prints a short report
# (bytes, time, the MD5 of the downloaded file, files replaced, what is left in
# temp\, whether the folder above the installation is untouched, the
# restarted Client and its parameters, screenshots) and then hands a
# quillaneth:// URL to the running Client.
# Everything it starts is stopped at the end.
#
#   ZVK_DEMO_BUILD_DIR=build/x scripts/demo.sh   uses another win64 build folder
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mode=forced
transport=https
signed=1
for arg in "$@"; do
  case "$arg" in
    --normal) mode=normal ;;
    --http) transport=http ;;
    --unsigned) signed=0 ;;
    *) echo "usage: scripts/demo.sh [--normal] [--http] [--unsigned]" >&2; exit 2 ;;
  esac
done
build=${ZVK_DEMO_BUILD_DIR:-build/win64}
state=$root/build/demo-run

"$root/scripts/setup.sh"

# The publisher's side of a signed demo: the tool, a key pair, and a build of
# the programs that accepts only packages signed by that key.
demo_prepare_signing() {
  echo "== building the publishing tool (native) and the demo publisher key"
  cmake --preset native >/dev/null
  cmake --build build/native -j"${ZVK_JOBS:-$(nproc)}" --target zvkpublish >/dev/null
  publish=$root/build/native/bin/zvkpublish
  keys=$root/build/demo-key
  if [ ! -f "$keys/demo.key" ]; then
    mkdir -p "$keys"
    "$publish" keygen -o "$keys/demo" | sed 's/^/   /'
  fi
  e2e_log "private key $keys/demo.key (stays here), public key $keys/demo.pub (built into the programs)"
  build=${ZVK_DEMO_BUILD_DIR:-build/win64-demo}
  # Configured every time: quick when nothing changed, and the key is the demo's.
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZVK_PUBLISHER_KEY="$keys/demo.pub" >/dev/null
}

# Puts the version 2 package into <www> as update.zip and sets E2E_MD5:
# published by the tool (signed) or zipped as before (--unsigned).
demo_package() {
  local www=$1 url=$2
  if [ "$signed" = 1 ]; then
    rm -rf "$state/package-folder"
    e2e_make_folder "$state/package-folder" "" 2 8000000
    "$publish" publish "$state/package-folder" --key "$keys/demo.key" --url "$url" -o "$www" --version 2 2>&1 | sed 's/^/   /'
    E2E_MD5=$(md5sum "$www/update.zip" | cut -d' ' -f1)
  else
    e2e_make_package "$www/update.zip" "" 2 8000000
  fi
}

# shellcheck source=tests/e2e/lib/e2e_env.sh
source "$root/tests/e2e/lib/e2e_env.sh"
# shellcheck source=tests/e2e/lib/e2e_signed.sh
source "$root/tests/e2e/lib/e2e_signed.sh"
[ "$signed" = 1 ] && demo_prepare_signing

echo "== building Updater.exe, ZVKLaunch.exe, zlib.dll, the stand-in Client and the GUI driver ($build)"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j"${ZVK_JOBS:-$(nproc)}" \
  --target Updater ZVKLaunch zvk_zlib_dll fake_client gui_driver trust_root >/dev/null

trap e2e_end EXIT
# The demo's report and screenshots stay in its state folder.
E2E_KEEP_STATE=1
e2e_begin "$state" "$root/$build/bin"

echo "== laying out the installation"
demo=$state/demo
e2e_layout "$demo"
(cd "$demo" && find . -type f | sort | sed 's/^/   /')
before=$(cd "$E2E_INSTALL" && find . -type f ! -name zvkclient_record.txt | sort | xargs md5sum)
# The folder above the installation: its entries (with sizes and times) and its own time.
above() { stat -c %y "$demo"; find "$demo" -mindepth 1 -maxdepth 1 ! -name Vellacast -printf '%f %s %t\n' | sort; }
above_before=$(above)

echo "== serving the update folder with nginx on 127.0.0.1 (1 MB/s per connection, so that the progress shows)"
mkdir -p "$state/www"
if [ "$transport" = https ]; then
  e2e_log "over HTTPS: a demo authority, trusted in this demo's Wine prefix only, signed the certificate for localhost"
  export E2E_HTTPS=1
fi
e2e_serve "$state/www" 1m
url=$E2E_BASE_URL/update.zip
e2e_log "$url"

echo "== the update package (version 2) and its MD5$([ "$signed" = 1 ] && echo ', published and signed by zvkpublish')"
demo_package "$state/www" "$url"
bytes=$(stat -c %s "$state/www/update.zip")
unzip -l "$state/www/update.zip" | sed 's/^/   /'
e2e_log "MD5 $E2E_MD5"

echo "== starting the stand-in Client"
e2e_start_client
first_client=$(grep -E '^[0-9]+ ready ' "$E2E_RECORD" | head -n 1 | cut -d' ' -f1)
e2e_log "Client $first_client is running"

args=("-url=$url" "-md5=$E2E_MD5" "-pagecallparam=course?id=7")
[ "$mode" = forced ] && args+=(-forcedupdate=1)
echo "== Updater.exe ${args[*]}"
shots=()
started=$(date +%s%N)
e2e_start_updater "${args[@]}"
if [ "$mode" = forced ]; then
  e2e_driver --class "$E2E_TIPS" --timeout 20000 >/dev/null
  shots+=("$(e2e_shot 1-version-notice)")
  e2e_driver --class "$E2E_TIPS" --answer enter --wait-gone 5000 >/dev/null
  e2e_log "version notice answered"
fi
e2e_driver --class "$E2E_UPDATER" --timeout 20000 >/dev/null
sleep 1.5
shots+=("$(e2e_shot 2-progress)")
e2e_wait_package 600 || { echo "the package was not downloaded" >&2; exit 1; }
seconds=$(awk -v ns=$(($(date +%s%N) - started)) 'BEGIN { printf "%.1f", ns / 1e9 }')
# The verified package, hashed here before the launcher takes it away.
downloaded_md5=$(md5sum "$E2E_INSTALL/temp/update.zip" | cut -d' ' -f1)
if [ "$mode" = normal ]; then
  sleep 2.5
  shots+=("$(e2e_shot 3-install-button)")
  e2e_driver --class "$E2E_UPDATER" --answer "click=$E2E_INSTALL_BUTTON" >/dev/null
  e2e_log "install button pressed"
fi
e2e_driver --class "$E2E_LAUNCH" --timeout 30000 >/dev/null
shots+=("$(e2e_shot 4-launch-window)")
e2e_driver --class "$E2E_LAUNCH" --answer enter --wait-gone 5000 >/dev/null
e2e_log "launch window closed"
e2e_wait_updater 30 || true
e2e_wait_record ' args ' 2 150 || echo "   (the launcher did not start the Client)"
sleep 1
shots+=("$(e2e_shot 5-after-update)")

after=$(cd "$E2E_INSTALL" && find . -type f ! -name zvkclient_record.txt | sort | xargs md5sum)
served=$(awk '{ s += $10 } END { print s + 0 }' "$state/nginx/logs/access.log")
requests=$(grep -c ' "GET ' "$state/nginx/logs/access.log")
second_client=$(grep -E '^[0-9]+ args ' "$E2E_RECORD" | tail -n 1 | cut -d' ' -f1)

echo
echo "== report ($mode update)"
printf '   %-22s %s bytes (%s bytes sent by nginx in %s requests)\n' "package:" "$bytes" "$served" "$requests"
printf '   %-22s %s s from the updater start to the verified package\n' "download time:" "$seconds"
printf '   %-22s %s\n' "MD5 expected:" "$E2E_MD5"
if [ "$downloaded_md5" = "$E2E_MD5" ]; then match="matches"; else match="DIFFERS"; fi
printf '   %-22s %s (%s)\n' "MD5 of the download:" "$downloaded_md5" "$match"
if [ "$signed" = 1 ]; then
  printf '   %-22s %s\n' "signature:" "ECDSA P-256 by build/demo-key/demo.key, checked by Updater.exe and ZVKLaunch.exe"
else
  printf '   %-22s %s\n' "signature:" "none (--unsigned: programs built without a publisher key)"
fi
printf '   %-22s %s\n' "updater exit code:" "$E2E_UPDATER_CODE"
echo "   files replaced or added in the installation:"
changed=$(diff <(echo "$before") <(echo "$after") | awk '/^>/ { print "     " $3 }' || true)
echo "${changed:-     (none)}"
left=$(cd "$E2E_INSTALL/temp" && find . -mindepth 1 -printf '%P\n' | sort | paste -sd' ')
printf '   %-22s %s\n' "left in temp\\:" "${left:-(nothing)}"
if [ "$(above)" = "$above_before" ]; then
  echo "   the folder above the installation ($demo) is untouched"
else
  echo "   the folder above the installation ($demo) CHANGED:"
  diff <(echo "$above_before") <(above) | sed 's/^/     /' || true
fi
printf '   %-22s %s\n' "version.txt now:" "$(cat "$E2E_INSTALL/version.txt")"
if grep -qE "^$first_client exit " "$E2E_RECORD"; then
  echo "   Client $first_client ended by: $(grep -E "^$first_client exit " "$E2E_RECORD" | cut -d' ' -f3-)"
else
  echo "   Client $first_client was stopped by the updater"
fi
# The record doubles backslashes and writes other bytes as \xHH: print them as they are.
record_value() { printf '%b' "$(grep -E "^$second_client $1 " "$E2E_RECORD" | cut -d' ' -f3-)"; }
echo "   Client $second_client was started by the launcher with: $(record_value args)"
echo "     in: $(record_value cwd)"
echo "   URL command: $("$WINE64" reg query 'HKCR\quillaneth\shell\open\command' 2>/dev/null | grep -a REG_SZ | sed 's/^ *//' | tr -d '\r')"
echo "   screenshots:"
for shot in "${shots[@]}"; do [ -n "$shot" ] && echo "     $shot"; done

echo
echo "== a quillaneth://course?id=8 URL opened while the Client runs, restart declined"
"$WINE64" "$E2E_INSTALL/ZVKLaunch.exe" 'quillaneth://course?id=8' </dev/null >/dev/null 2>&1 &
opener=$!
e2e_driver --msgbox --print --answer cancel --timeout 15000 --wait-gone 5000 | sed 's/^/   prompt /' || true
wait "$opener" || true
e2e_wait_record ' pipe ' 1 100 && echo "   pipe message: $(grep -E '^[0-9]+ pipe ' "$E2E_RECORD" | cut -d' ' -f3-)"
e2e_driver --class vellacast --answer close --timeout 5000 --wait-gone 5000 >/dev/null || true
echo
echo "The Client's record: $E2E_RECORD"
