#!/usr/bin/env bash
# The win32 release preset refuses to configure without a publisher key, and
# with ZVK_ALLOW_UNSIGNED=ON configures but says what a keyless release means;
# it never configures with the test-only crash switch.
#   release_preset_test.sh <source-dir> <work-dir>
set -uo pipefail
src=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
# CMake wraps its messages: compare them as one line.
configure() { (cd "$src" && cmake --preset win32 -B "$work/$1" "${@:2}" 2>&1) | tr -s ' \n' ' '; }

out=$(configure keyless)
[ -f "$work/keyless/CMakeCache.txt" ] && grep -q 'Configuring done' <<<"$out" && fail "configured without a key"
grep -q 'The release needs the publisher.s public key: configure with -DZVK_PUBLISHER_KEY=' <<<"$out" \
  || fail "no message naming ZVK_PUBLISHER_KEY: $out"

out=$(configure unsigned -DZVK_ALLOW_UNSIGNED=ON)
grep -q 'Configuring done' <<<"$out" || fail "ZVK_ALLOW_UNSIGNED=ON did not configure: $out"
grep -q 'check packages by their MD5 alone' <<<"$out" || fail "no warning about the MD5-only check: $out"

out=$(configure switched -DZVK_ALLOW_UNSIGNED=ON -DZVK_CRASH_TEST_SWITCH=ON)
grep -q 'Configuring done' <<<"$out" && fail "configured a release with the test-only crash switch"
grep -q 'ZVK_CRASH_TEST_SWITCH is for test builds only' <<<"$out" || fail "no message naming the switch: $out"

if [ "$failed" = 0 ]; then
  rm -rf "$work"
  echo "PASS release preset"
else
  echo "kept for the log: $work" >&2
  exit 1
fi
