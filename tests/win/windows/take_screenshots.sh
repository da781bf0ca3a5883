#!/bin/sh
# take_screenshots.sh <win64 build dir> [output dir]
# Runs the updater windows' Wine tests once in Chinese and once in English
# with screenshots switched on, and writes docs/window-<name>-<zh|en>.png.
# Needs a Wine session (WINEPREFIX, DISPLAY, WINE64; scripts/lib/wine_session.sh).
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
out=${2:-$root/docs}
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
ZVK_SCREENSHOT_DIR="Z:$(printf '%s' "$shots" | tr / '\\')"
export ZVK_SCREENSHOT_DIR
for locale in zh_CN en_US; do
  if ! sh "$root/tests/win/launcher/run_in_wine_language.sh" "$locale.UTF-8" \
      "$WINE64" "$build/tests/windows_win_tests.exe" --gtest_brief=1 >"$shots/run.log" 2>&1; then
    grep -v "Invalid response" "$shots/run.log" >&2
    echo "the window tests failed under $locale" >&2
    exit 1
  fi
done
mkdir -p "$out"
for bmp in "$shots"/*.bmp; do
  convert "$bmp" -strip "$out/$(basename "${bmp%.bmp}").png"
done
ls "$out"/window-*.png
