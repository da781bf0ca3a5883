#!/bin/sh
# run_in_wine_language.sh <LC_ALL value> <command...>
# Wine takes the user's UI language and ANSI code page from the environment
# its server starts in, so the server of the current prefix is restarted
# under that LC_ALL for the command, and restarted again afterwards so that
# later tests see the usual language.
set -u
language=$1
shift
wine64=${WINE64:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver64}
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

# Wine's own services start with the first program; starting them here, away
# from ctest's output pipes, keeps them from holding those pipes open.
restart_server() {
  "$wineserver" -k >/dev/null 2>&1
  "$wineserver" -w >/dev/null 2>&1
  "$@" "$wineserver" -p </dev/null >/dev/null 2>&1
  "$@" "$wine64" cmd /c ver </dev/null >/dev/null 2>&1
}

# A program that printed nothing at all never started (seen once on a loaded
# machine right after the server restart): that start is tried once more.
# A test that ran always prints, so its failures are never retried.
output=$(mktemp)
for try in 1 2; do
  restart_server env LC_ALL="$language"
  LC_ALL=$language "$@" >"$output" 2>&1
  status=$?
  cat "$output"
  [ "$status" -ne 0 ] && [ ! -s "$output" ] && [ "$try" = 1 ] || break
  echo "run_in_wine_language: the program did not start (status $status), once more"
done
rm -f "$output"
restart_server env
exit "$status"
