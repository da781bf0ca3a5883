#!/usr/bin/env bash
# The demo: a Vellacast installation (ZVKLaunch.exe and a stand-in Client) under
# Wine on a private virtual display.
#   1. a quillaneth:// URL is opened through the launcher, as a browser does, with
#      no Client running: the launcher registers the URL command and starts the
#      Client with the text after the scheme;
#   2. another URL is opened through the registered command while the Client
#      runs, and the launcher's restart question is declined: the text goes to
#      the running Client over its pipe.
# It prints what the Client received each time. Everything it starts is
# stopped at the end.
#
#   scripts/demo.sh                         builds build/win64 (preset win64)
#   ZVK_DEMO_BUILD_DIR=build/x scripts/demo.sh   uses another win64 build folder
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${ZVK_DEMO_BUILD_DIR:-build/win64}
state=$root/build/demo-run
install=$state/Vellacast
record=$install/zvkclient_record.txt

"$root/scripts/setup.sh"

echo "== building the launcher and the stand-in Client ($build)"
if [ -f "$build/CMakeCache.txt" ]; then
  : # configured already; the build step below refreshes it when needed
elif [ "$build" = build/win64 ]; then
  cmake --preset win64 >/dev/null
else
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j"${ZVK_JOBS:-$(nproc)}" --target ZVKLaunch fake_client gui_driver >/dev/null

echo "== laying out the installation in $install"
rm -rf "$install"
mkdir -p "$install"
cp "$build/bin/ZVKLaunch.exe" "$build/bin/zvkclient.exe" "$install/"
driver=$build/bin/gui_driver.exe

# shellcheck source=scripts/lib/wine_session.sh
source "$root/scripts/lib/wine_session.sh"
trap zvk_wine_session_stop EXIT
zvk_wine_session_start "$state"
# The stand-in Client ends by itself after two minutes at the latest.
export ZVK_FAKE_CLIENT_LIFETIME_MS=120000

# Prints the record lines of one kind, with the Client's process id.
show() {
  local kind=$1 label=$2
  grep -E "^[0-9]+ $kind " "$record" 2>/dev/null | while read -r pid _ value; do
    printf '   %-26s %s   (Client %s)\n' "$label" "${value//\\\\/\\}" "$pid"
  done || true
}

wait_for() {
  local pattern=$1
  for _ in $(seq 100); do
    grep -qE "$pattern" "$record" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# Runs one exact Windows command line, as the shell runs a registered command,
# through a batch file; returns the program's exit code.
run_command_line() {
  local batch=$state/open.bat
  printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" >"$batch"
  "$WINE64" cmd /c "$("$WINE64" winepath -w "$batch" 2>/dev/null)" 2>>"$state/launcher.log"
}

registered_command() {
  "$WINE64" reg query 'HKCR\quillaneth\shell\open\command' /ve 2>/dev/null | tr -d '\r' |
    sed -n 's/^.*REG_SZ[[:space:]]*//p'
}

launcher=$("$WINE64" winepath -w "$install/ZVKLaunch.exe" 2>/dev/null | tr -d '\r')
: >"$state/launcher.log"

echo
echo "== 1. the browser opens quillaneth://course?id=7, no Client running"
command_line="\"$launcher\" \"quillaneth://course?id=7\""
echo "   command line: $command_line"
set +e
run_command_line "$command_line"
code=$?
set -e
wait_for ' ready ' || echo "   (the Client did not come up)"
echo "   launcher exit code: $code; its log:"
sed 's/^/     /' "$state/launcher.log"
echo "   what the Client received:"
show args "started with parameters:"
show cwd "in folder:"
command=$(registered_command)
echo "   URL command the launcher registered: $command"

echo
echo "== 2. the browser opens quillaneth://course?id=8 through that command, the Client"
echo "      runs, and the restart question is declined"
command_line=${command//%1/quillaneth://course?id=8}
echo "   command line: $command_line"
: >"$state/launcher.log"
run_command_line "$command_line" &
opener=$!
set +e
"$WINE64" "$driver" --msgbox --print --answer cancel --timeout 15000 --wait-gone 5000 | sed 's/^/   prompt /'
answered=${PIPESTATUS[0]}
wait "$opener"
code=$?
set -e
[ "$answered" -eq 0 ] || echo "   (no restart question was answered)"
echo "   launcher exit code: $code"
wait_for ' pipe ' || echo "   (nothing arrived over the pipe)"
echo "   what the running Client received over \\\\.\\Pipe\\VEZIDA_zvk (\\x00 is the NUL byte):"
show pipe "pipe message:"

echo
echo "== closing the Client"
"$WINE64" "$driver" --class vellacast --answer close --timeout 5000 --wait-gone 5000 || true
show exit "Client ended by:"
echo
echo "The Client's whole record: $record"
