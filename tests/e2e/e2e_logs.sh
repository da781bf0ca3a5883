#!/usr/bin/env bash
# The launcher's log file and crash report, as support would ask for them:
# the first and last lines of a run; URL text that holds a line end or a
# character code page 936 lacks stays one whole line, escaped; a log folder
# that is a link is refused, and whatever others could write in the place of
# its folders (a file, a folder everyone may write) is moved aside, never
# written through, and never stops the launcher; the test-only crash switch
# leaves a FATAL line and a minidump a reader accepts, and the oldest report
# goes when there would be more than five.
#   e2e_logs.sh <bin-dir> <state-dir>
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
e2e_begin "$2" "$1" || exit 1
e2e_layout "$E2E_STATE/demo"
logs=$(e2e_log_folder)
product=$(dirname "$logs")
version=$(sed -n 's/^project(ZvkUpdater VERSION \([0-9.]*\).*/\1/p' "$E2E_ROOT_DIR/CMakeLists.txt")

# Runs the launcher with quillaneth://<name> (or quillaneth://<text>), its
# standard error in <name>.err, and waits for the Client it starts; closes
# that Client again.
run_launcher() {
  local starts
  starts=$(grep -c ' args ' "$E2E_RECORD" 2>/dev/null)
  "$WINE64" "$E2E_INSTALL/ZVKLaunch.exe" "quillaneth://${2:-$1}" </dev/null >/dev/null 2>"$E2E_STATE/$1.err" \
    || e2e_fail "$1: launcher exit code $?"
  e2e_wait_record ' args ' $((starts + 1)) 150 || e2e_fail "$1: the Client was not started"
  e2e_driver --class vellacast --answer close --timeout 3000 --wait-gone 5000 >/dev/null 2>&1 || true
}

echo "== the first and last lines"
run_launcher plain
e2e_expect_log ZVKLaunch "\] ZVKLaunch $version, process [0-9]+, 64-bit, elevated: yes$"
e2e_expect_log ZVKLaunch '\] system: Windows [0-9]+\.[0-9]+\.[0-9]+, 64-bit \(Wine '
e2e_expect_log ZVKLaunch '\] command line: "[^"]*ZVKLaunch\.exe" quillaneth://plain$'
e2e_expect_log ZVKLaunch '\] run ended: start road, pending update: none, Client started; exit code 0$'

echo "== URL text with a line end, and with a character code page 936 lacks"
run_launcher forged $'forged\n[WEX][E][2020-1-1 0:0:0] forged line'
e2e_expect_log ZVKLaunch '\] command line: .* "?quillaneth://forged\\x0A\[WEX\]\[E\]\[2020-1-1 0:0:0\] forged line"?$'
grep -q '^\[WEX\]\[E\]\[2020-1-1' "$logs/ZVKLaunch.log" && e2e_fail "a forged line in the log"
run_launcher hangul $'\xed\x95\x9c'
e2e_expect_log ZVKLaunch '\] command line: .* quillaneth://\\uD55C$'

echo "== a log folder that is a link"
rm -rf "$product"
mkdir -p "$product" "$E2E_STATE/elsewhere"
ln -s "$E2E_STATE/elsewhere" "$logs"
run_launcher link
grep -qE "\[W\].* no log file in .*: the log folder leads elsewhere" "$E2E_STATE/link.err" \
  || e2e_fail "link: no WARN line saying why there is no log file"
[ -z "$(ls -A "$E2E_STATE/elsewhere")" ] || e2e_fail "link: written through the link"

# Under Wine a folder that everyone may write stands for one that users may
# write: Wine keeps no access lists and shows the Unix mode as one (and
# changes the mode when an access list is set).
for case in product-file logs-open product-open; do
  echo "== taken places: $case"
  rm -rf "$product" "$product".set-aside-*
  case $case in
    product-file) printf 'not a folder\n' >"$product"; taken=$product ;;
    logs-open) mkdir -p "$logs" && chmod 777 "$logs" && printf 'theirs\n' >"$logs/ZVKLaunch.log"; taken=$logs ;;
    product-open) mkdir -p "$product" && chmod 777 "$product" && printf 'theirs\n' >"$product/theirs"; taken= ;;
  esac
  run_launcher "$case"
  e2e_expect_log ZVKLaunch "\] run ended: start road, .*; exit code 0$"
  [ "$(stat -c %a "$logs")" != 777 ] || e2e_fail "$case: the log folder is open to everyone"
  if [ -z "$taken" ]; then
    # The product's folder, an administrator's: kept with the Client's files, its access list made.
    grep -qE "\[W\].* others could write in .*Vellacast Updater: it now has the administrators' access list" \
      "$E2E_STATE/$case.err" || e2e_fail "$case: no WARN line saying the folder's access changed"
    [ "$(stat -c %a "$product")" != 777 ] || e2e_fail "$case: the product's folder is still open to everyone"
    [ -f "$product/theirs" ] || e2e_fail "$case: the product's folder lost its files"
    continue
  fi
  grep -qE "\[W\].* moved aside as $(basename "$taken")\.set-aside-[0-9]{8}-[0-9]{6}-[0-9]+" "$E2E_STATE/$case.err" \
    || e2e_fail "$case: no WARN line saying what was moved aside"
  aside=$(ls -d "$taken".set-aside-* 2>/dev/null | head -n 1)
  [ -n "$aside" ] || e2e_fail "$case: nothing set aside"
  case $case in
    product-file) grep -qx 'not a folder' "$aside" || e2e_fail "$case: the file set aside changed" ;;
    # What was set aside holds what it held, nothing more.
    logs-open) [ "$(ls -A "$aside")" = ZVKLaunch.log ] && grep -qx theirs "$aside/ZVKLaunch.log" \
      || e2e_fail "$case: written into what was set aside: $(ls -A "$aside")" ;;
  esac
done
rm -rf "$product" "$product".set-aside-*

echo "== the test-only crash switch"
if ! strings -el "$E2E_RELEASE_BIN/ZVKLaunch.exe" | grep -qx ZVK_TEST_CRASH; then
  echo "   (skipped: this launcher is built without the test switch)"
else
  mkdir -p "$logs"
  for day in 1 2 3 4 5; do printf 'old' >"$logs/ZVKLaunch-2000010$day-000000-1.dmp"; done
  "$WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # Wine's debugger decides the exit code; the report is what is checked.
  ZVK_TEST_CRASH=access-violation timeout 120 "$WINE64" "$E2E_INSTALL/ZVKLaunch.exe" crash \
    </dev/null >/dev/null 2>&1
  [ $? -ne 124 ] || e2e_fail "the crashed launcher did not end"
  e2e_expect_log ZVKLaunch '\[WEX\]\[F\]\[[0-9: -]+\] unhandled exception: code 0xC0000005 at ZVKLaunch\.exe\+0x[0-9a-f]+ .*, writing address 0x0$'
  e2e_expect_log ZVKLaunch '\[WEX\]\[F\]\[[0-9: -]+\] crash report written: ZVKLaunch-[0-9]{8}-[0-9]{6}-[0-9]+\.dmp$'
  dumps=$(cd "$logs" && ls ZVKLaunch-*.dmp | tr '\n' ' ')
  [ "$(echo $dumps | wc -w)" -eq 5 ] || e2e_fail "kept reports: $dumps"
  case " $dumps" in *" ZVKLaunch-20000101-"*) e2e_fail "the oldest report stayed: $dumps" ;; esac
  # The new report: the minidump header, a stream directory inside the file,
  # and the thread, module and exception streams (an access violation).
  python3 - "$logs"/ZVKLaunch-20[1-9]*.dmp <<'PY' || e2e_fail "the minidump is not readable"
import struct, sys
data = open(sys.argv[1], "rb").read()
signature, version, count, directory = struct.unpack_from("<4sIII", data, 0)
assert signature == b"MDMP" and version & 0xFFFF == 0xA793, "not a minidump"
streams = {}
for i in range(count):
    kind, size, rva = struct.unpack_from("<III", data, directory + 12 * i)
    assert rva + size <= len(data), "stream %d outside the file" % kind
    streams[kind] = rva
assert {3, 4, 6} <= set(streams), "streams %s" % sorted(streams)
assert struct.unpack_from("<I", data, streams[6] + 8)[0] == 0xC0000005, "not an access violation"
PY
fi
e2e_finish "log files and crash reports"
