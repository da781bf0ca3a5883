#!/usr/bin/env bash
# The win32 release preset refuses to configure without a publisher key, and
# with ZVK_ALLOW_UNSIGNED=ON configures but says what a keyless release means;
# it never configures with the test-only crash switch. It refuses the tests'
# key (its private half is in the repository) unless ZVK_ALLOW_TEST_KEY=ON,
# and again on a plain `cmake --preset win32` of a folder configured so. The
# release check fails a keyless release and one with the tests' key unless
# its flags allow them.
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
testkey=$src/tests/keys/test_publisher.pub

# folder | arguments | refused or configured | what the output must say
while IFS='|' read -r folder arguments verdict message; do
  # shellcheck disable=SC2086
  out=$(configure "$folder" $arguments)
  if grep -q 'Configuring done' <<<"$out"; then outcome=configured; else outcome=refused; fi
  [ "$outcome" = "$verdict" ] || fail "$folder ${arguments:-(no arguments)}: $outcome, expected $verdict: $out"
  grep -qF -- "$message" <<<"$out" || fail "$folder ${arguments:-(no arguments)}: no \"$message\": $out"
done <<EOF
keyless||refused|The release needs the publisher's public key: configure with -DZVK_PUBLISHER_KEY=
unsigned|-DZVK_ALLOW_UNSIGNED=ON|configured|check packages by their MD5 alone
switched|-DZVK_ALLOW_UNSIGNED=ON -DZVK_CRASH_TEST_SWITCH=ON|refused|ZVK_CRASH_TEST_SWITCH is for test builds only
testkey|-DZVK_PUBLISHER_KEY=$testkey|refused|is the tests' key, whose private half is in this repository
testkey-allowed|-DZVK_PUBLISHER_KEY=$testkey -DZVK_ALLOW_TEST_KEY=ON|configured|Configuring done
testkey-allowed||refused|Configure the release with your publisher's key: cmake --preset win32 -DZVK_PUBLISHER_KEY=
EOF

# The release check's key rules, on stand-ins that carry only the key text.
# flags | the key the programs carry | the line the check prints
while IFS='|' read -r flags key line; do
  bin=$work/check/bin
  rm -rf "$work/check" && mkdir -p "$bin"
  for program in Updater.exe ZVKLaunch.exe; do
    if [ -n "$key" ]; then cp "$key" "$bin/$program"; else echo "no key here" >"$bin/$program"; fi
  done
  # shellcheck disable=SC2086
  out=$(bash "$src/scripts/lib/check_release.sh" $flags "$bin")
  grep -qF -- "$line" <<<"$out" || fail "check_release.sh $flags (key: ${key:-none}): no \"$line\": $out"
done <<EOF
||  FAIL  the release carries a publisher key
--allow-unsigned||  ok    keyless release, allowed by --allow-unsigned
|$testkey|  FAIL  the release is keyed with another key than the tests'
--allow-test-key|$testkey|  ok    keyed with the tests' key, allowed by --allow-test-key
EOF

if [ "$failed" = 0 ]; then
  rm -rf "$work"
  echo "PASS release preset"
else
  echo "kept for the log: $work" >&2
  exit 1
fi
