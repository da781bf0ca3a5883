#!/usr/bin/env bash
# Versioned releases with the keyed programs: a delta that an installation one
# version behind cannot take makes the updater fetch the full package the
# delta names, and the installation ends at the new version; a forced update
# by a delta on its base; an older signed package planted in temp\ is set
# aside and the Client starts unchanged.
#   e2e_delta.sh <bin-dir> <state-dir> <zvkpublish>
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
source "$(dirname "$0")/lib/e2e_signed.sh"
e2e_begin "$2" "$1" || exit 1
e2e_signed_tools "$3" || exit 1

root=$E2E_STATE/demo
e2e_signed_layout "$root"
install=$root/Vellacast
www=$E2E_STATE/www
mkdir -p "$www"
e2e_serve "$www" || exit 1

# publish <version> [base package]: full-<version>.zip, and from a base also
# delta-<version>.zip naming it; E2E_MD5 is the MD5 of the last one made.
publish() {
  local version=$1 since=${2:-} folder=$E2E_STATE/v$1 out=$E2E_STATE/publish-$1.txt
  e2e_make_folder "$folder" "" "$version"
  if [ -n "$since" ]; then
    "$E2E_PUBLISH" publish "$folder" --key "$E2E_KEY" --version "$version" --since "$since" \
      --url "$E2E_BASE_URL/delta-$version.zip" --full-url "$E2E_BASE_URL/full-$version.zip" -o "$www" >"$out"
  else
    "$E2E_PUBLISH" publish "$folder" --key "$E2E_KEY" --version "$version" \
      --url "$E2E_BASE_URL/full-$version.zip" -o "$www" >"$out"
  fi || e2e_fail "publish $version"
  E2E_MD5=$(sed -n 's/^md5: //p' "$out")
}

# forced_update <package> <md5> <label>: the Client ends at a new start.
forced_update() {
  local starts
  starts=$(grep -c ' args ' "$E2E_RECORD" 2>/dev/null)
  cp "$E2E_BIN/testkey/Updater.exe" "$install/temp/"
  e2e_start_updater "-url=$E2E_BASE_URL/$1" "-md5=$2" "-pagecallparam=$3" -forcedupdate=1
  e2e_driver --class "$E2E_TIPS" --timeout 20000 --answer enter --wait-gone 5000 >/dev/null \
    || e2e_fail "$3: the version notice was not answered"
  e2e_driver --class "$E2E_LAUNCH" --timeout 90000 --answer enter --wait-gone 5000 >/dev/null \
    || e2e_fail "$3: no launch window"
  e2e_wait_updater 20 || e2e_fail "$3: the updater did not end"
  e2e_wait_record ' args ' $((starts + 1)) 150 || e2e_fail "$3: the launcher did not start the Client"
}

# launch <label>: the launcher with the Client closed; its standard error kept.
launch() {
  local starts
  e2e_driver --class vellacast --answer close --timeout 3000 --wait-gone 5000 >/dev/null 2>&1 || true
  starts=$(grep -c ' args ' "$E2E_RECORD" 2>/dev/null)
  "$WINE64" "$install/ZVKLaunch.exe" "$1" </dev/null >/dev/null 2>"$E2E_STATE/launcher-$1.err"
  e2e_wait_record ' args ' $((starts + 1)) 150 || e2e_fail "$1: the Client was not started"
}

publish 1
publish 2
publish 3 "$www/full-2.zip"
delta3_md5=$E2E_MD5
publish 4 "$www/full-3.zip"
delta4_md5=$E2E_MD5
cp "$www/full-1.zip" "$install/temp/update.zip"
launch first
e2e_expect_file "$install/version.txt" "version 1"

echo "== a delta from 2 on version 1 falls back to the full package"
forced_update delta-3.zip "$delta3_md5" fallback
e2e_expect_file "$install/version.txt" "version 3"
e2e_expect_log Updater "\[W\].*the downloaded delta does not fit this installation: .*delta from 2.*; downloading the full package $E2E_BASE_URL/full-3.zip"

echo "== forced update by a delta on its base"
# Served alone: a fall back would find no full package.
mv "$www/full-4.zip" "$E2E_STATE/"
forced_update delta-4.zip "$delta4_md5" delta
e2e_expect_file "$install/version.txt" "version 4"
e2e_expect_absent "$install/temp/update.zip"

echo "== an older signed package planted in temp is set aside"
before=$(e2e_snapshot "$install")
cp "$www/full-2.zip" "$install/temp/update.zip"
launch planted
cmp -s "$www/full-2.zip" "$install/update.rejected.zip" || e2e_fail "the older package was not set aside"
grep -q "\[E\].*pending update refused, not installed: .*older than" "$E2E_STATE/launcher-planted.err" \
  || e2e_fail "no ERROR line saying the package is older"
[ "$before" = "$(e2e_snapshot "$install")" ] || e2e_fail "the installation changed"
e2e_expect_file "$install/version.txt" "version 4"
e2e_finish "versioned releases and deltas"
