#!/usr/bin/env bash
# The launcher's log file and crash report, as support would ask for them:
# the first and last lines of a run; a log folder that is a link, or that
# cannot be made, neither stops the launcher nor is written through; the
# test-only crash switch leaves a FATAL line and a minidump a reader accepts,
# and the oldest report goes when there would be more than five.
#   e2e_logs.sh <bin-dir> <state-dir>
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
e2e_begin "$2" "$1" || exit 1
e2e_layout "$E2E_STATE/demo"
logs=$(e2e_log_folder)
product=$(dirname "$logs")
version=$(sed -n 's/^project(ZvkUpdater VERSION \([0-9.]*\).*/\1/p' "$E2E_ROOT_DIR/CMakeLists.txt")

# Runs the launcher with quillaneth://<name>, its standard error in <name>.err,
# and waits for the Client it starts; closes that Client again.
run_launcher() {
  local starts
  starts=$(grep -c ' args ' "$E2E_RECORD" 2>/dev/null)
  "$WINE64" "$E2E_INSTALL/ZVKLaunch.exe" "quillaneth://$1" </dev/null >/dev/null 2>"$E2E_STATE/$1.err" \
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

for case in link:leads-elsewhere file:cannot-make; do
  name=${case%%:*}
  echo "== a log folder that is a $name"
  rm -rf "$product"
  mkdir -p "$E2E_STATE/elsewhere"
  if [ "$name" = link ]; then
    mkdir -p "$product" && ln -s "$E2E_STATE/elsewhere" "$logs"
  else
    printf 'not a folder\n' >"$product"
  fi
  run_launcher "$name"
  grep -qE "\[W\].* no log file in .*: (the log folder leads elsewhere|cannot make the log folder)" \
    "$E2E_STATE/$name.err" || e2e_fail "$name: no WARN line saying why there is no log file"
  [ -z "$(ls -A "$E2E_STATE/elsewhere")" ] || e2e_fail "$name: written through the link"
done
rm -rf "$product"

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
