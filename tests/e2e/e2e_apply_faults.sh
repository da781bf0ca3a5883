#!/usr/bin/env bash
# The launcher's all-or-nothing apply under faults, with the real
# ZVKLaunch.exe and the stand-in Client:
#   1. a folder of the installation that is a Unix symlink: nothing is written
#      through it, the package is kept; a temp folder that is one: nothing in
#      it is deleted or taken as the package;
#   2. the launcher killed (SIGKILL) at several points of a 2000-file package,
#      then started again: entirely new, no work files left;
#   3. a full disk (a small tmpfs in a private mount namespace, with its own
#      Wine server): entirely old, package kept.
# usage: e2e_apply_faults.sh <bin-dir> <state-dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/e2e/lib/e2e_env.sh
source "$here/lib/e2e_env.sh"
e2e_begin "$2" "$1" || exit 1
# The Client ends by itself before the next start, which would otherwise ask
# whether to restart it.
export ZVK_FAKE_CLIENT_LIFETIME_MS=1000

new_install() {
  E2E_INSTALL=$E2E_STATE/install
  E2E_RECORD=$E2E_INSTALL/zvkclient_record.txt
  rm -rf "$E2E_INSTALL" "$E2E_STATE/elsewhere"
  mkdir -p "$E2E_INSTALL" "$E2E_STATE/elsewhere"
  cp "$E2E_BIN/ZVKLaunch.exe" "$E2E_BIN/zvkclient.exe" "$E2E_INSTALL/"
}

# A package of <count> files "d<i%20>/f<i>.txt" holding "<word> <i>", and the
# same files with "old <i>" in the installation.
make_files() {
  python3 - "$E2E_INSTALL" "$1" <<'PY'
import os, sys, zipfile
root, count = sys.argv[1], int(sys.argv[2])
with zipfile.ZipFile(os.path.join(root, "update.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(count):
        name = "d%d/f%d.txt" % (i % 20, i)
        z.writestr(name, ("new %d\n" % i) * 200)
        os.makedirs(os.path.join(root, "d%d" % (i % 20)), exist_ok=True)
        with open(os.path.join(root, name), "w") as f:
            f.write("old %d\n" % i)
PY
}

run_launcher() {
  timeout 120 "$WINE64" "$E2E_INSTALL/ZVKLaunch.exe" </dev/null >>"$E2E_STATE/launcher.log" 2>&1
  sleep 1.5  # the Client's lifetime
}

# Counts files whose contents are old and new; expects only <which>.
expect_only() {
  local which=$1 what=$2 old new
  old=$(grep -rls '^old ' "$E2E_INSTALL"/d* 2>/dev/null | wc -l)
  new=$(grep -rls '^new ' "$E2E_INSTALL"/d* 2>/dev/null | wc -l)
  if [ "$which" = new ] && [ "$old" -ne 0 ]; then e2e_fail "$what: $old old files, $new new"; fi
  if [ "$which" = old ] && [ "$new" -ne 0 ]; then e2e_fail "$what: $new new files, $old old"; fi
  if compgen -G "$E2E_INSTALL/~zvk-apply*" >/dev/null; then e2e_fail "$what: work folder left"; fi
}

e2e_log "symlinked folder"
new_install
ln -s "$E2E_STATE/elsewhere" "$E2E_INSTALL/bin"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1], "w").writestr("bin/x.dll", "planted")' \
  "$E2E_INSTALL/update.zip"
run_launcher
e2e_expect_absent "$E2E_STATE/elsewhere/x.dll"
[ -f "$E2E_INSTALL/update.zip" ] || e2e_fail "symlinked folder: package not kept"
grep -q 'a link on the way' "$E2E_STATE/launcher.log" || e2e_fail "symlinked folder: no ERROR line"

e2e_log "symlinked temp folder"
new_install
ln -s "$E2E_STATE/elsewhere" "$E2E_INSTALL/temp"
echo keep >"$E2E_STATE/elsewhere/Updater.exe"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1], "w").writestr("x.dll", "planted")' \
  "$E2E_STATE/elsewhere/update.zip"
run_launcher
e2e_expect_file "$E2E_STATE/elsewhere/Updater.exe" keep
[ -f "$E2E_STATE/elsewhere/update.zip" ] || e2e_fail "symlinked temp: the package behind it was removed"
e2e_expect_absent "$E2E_INSTALL/x.dll"
grep -q 'temp is not a plain folder' "$E2E_STATE/launcher.log" || e2e_fail "symlinked temp: no ERROR line"

# Kill points: files staged so far, the journal written, files swapped so far.
for point in staged:600 journal:0 swapped:1000; do
  e2e_log "killed at $point"
  new_install
  make_files 2000
  "$WINE64" "$E2E_INSTALL/ZVKLaunch.exe" </dev/null >>"$E2E_STATE/launcher.log" 2>&1 &
  pid=$!
  reached=0
  for _ in $(seq 3000); do
    case $point in
      staged:*) n=$(find "$E2E_INSTALL" -path '*~zvk-apply-*/s*' 2>/dev/null | wc -l) ;;
      journal:*) n=$(find "$E2E_INSTALL" -path '*~zvk-apply-*/journal' 2>/dev/null | wc -l) ;;
      swapped:*) n=$(find "$E2E_INSTALL" -path '*~zvk-apply-*/a*' 2>/dev/null | wc -l) ;;
    esac
    if [ "$n" -gt "${point#*:}" ]; then kill -9 "$pid"; reached=1; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  wait "$pid" 2>/dev/null
  [ "$reached" = 1 ] || e2e_log "note: the apply ended before the kill point $point"
  sleep 1.5
  run_launcher
  expect_only new "killed at $point"
  e2e_expect_absent "$E2E_INSTALL/update.zip"
done

e2e_log "full disk"
new_install
printf 'old a\n' >"$E2E_INSTALL/a.txt"
python3 - "$E2E_INSTALL/update.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("a.txt", "new a\n")
    z.writestr("big.bin", bytes(40 * 1024 * 1024))
PY
"$WINESERVER" -k >/dev/null 2>&1; "$WINESERVER" -w >/dev/null 2>&1
mkdir -p "$E2E_STATE/disk"
unshare -m --propagation private bash -c '
  set -u
  install=$1 disk=$2
  mount -t tmpfs -o size=20m tmpfs "$disk" || exit 1
  cp -a "$install/." "$disk/"
  mount --bind "$disk" "$install"
  timeout 120 "$WINE64" "$install/ZVKLaunch.exe" </dev/null >>"$3" 2>&1
  "$WINESERVER" -k; "$WINESERVER" -w
  { cat "$install/a.txt"; ls "$install"; } >"$4"
' _ "$E2E_INSTALL" "$E2E_STATE/disk" "$E2E_STATE/launcher.log" "$E2E_STATE/disk.result" ||
  e2e_fail "full disk: the namespace could not be set up"
[ "$(head -n1 "$E2E_STATE/disk.result" 2>/dev/null)" = "old a" ] || e2e_fail "full disk: a.txt replaced"
grep -qx 'update.zip' "$E2E_STATE/disk.result" || e2e_fail "full disk: package not kept"
grep -q '^~zvk-apply-\|^big.bin$' "$E2E_STATE/disk.result" && e2e_fail "full disk: work or new files left"

if [ "$E2E_FAILED" = 0 ]; then
  echo "PASS apply_faults"
  exit 0
fi
echo "--- launcher log" >&2
grep -a 'WEX' "$E2E_STATE/launcher.log" >&2
exit 1
