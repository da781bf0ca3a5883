#!/usr/bin/env bash
# Builds the three configurations and runs every test:
#   native  unit tests (ctest)
#   win32   the release artefacts, inspected
#   win64   Windows tests and end-to-end tests under Wine on a private Xvfb (ctest),
#           among them the release32 set, which runs the win32 release itself
#           under 32-bit Wine (skipped, with the reason, where that cannot run)
# Exits non-zero when anything fails; the summary lines come last.
#
#   scripts/test.sh                 everything, the native tests also under ASan+UBSan
#   ZVK_TEST_ASAN=0 scripts/test.sh without the ASan+UBSan run
#   ZVK_CTEST_ARGS="-R launcher" scripts/test.sh   pass a filter to both ctest runs
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${ZVK_JOBS:-$(nproc)}
log_dir=$root/build/test-logs
summary=()
notes=()
status=0

"$root/scripts/setup.sh" || exit 1
mkdir -p "$log_dir"

build() {
  local preset=$1
  echo "== build $preset"
  if ! cmake --preset "$preset" "${@:2}" >"$log_dir/configure-$preset.log" 2>&1; then
    tail -n 30 "$log_dir/configure-$preset.log"
    summary+=("$preset: configure FAILED")
    return 1
  fi
  if ! cmake --build "build/$preset" -j"$jobs" >"$log_dir/build-$preset.log" 2>&1; then
    grep -E 'error|Error' "$log_dir/build-$preset.log" | head -n 40
    summary+=("$preset: build FAILED")
    return 1
  fi
}

run_ctest() {
  local preset=$1
  echo "== ctest $preset"
  # shellcheck disable=SC2086
  ctest --test-dir "build/$preset" --output-on-failure --no-tests=error ${ZVK_CTEST_ARGS:-} \
    2>&1 | tee "$log_dir/ctest-$preset.log"
  local rc=${PIPESTATUS[0]}
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$log_dir/ctest-$preset.log" | tail -n 1)
  summary+=("$preset: ${line:-no ctest summary}")
  return "$rc"
}

build native && { run_ctest native || status=1; } || status=1

if [ "${ZVK_TEST_ASAN:-1}" = 1 ]; then
  build native-asan && { run_ctest native-asan || status=1; } || status=1
fi

# The release as users ship it, keyed, with the tests' key: the release32
# tests serve it packages signed by that key (tests/release32/run_release32.sh).
# That key's private half is in the repository, so the configuration and the
# release check each refuse it unless told that this build is for the tests.
if build win32 -DZVK_PUBLISHER_KEY="$root/tests/keys/test_publisher.pub" -DZVK_ALLOW_TEST_KEY=ON; then
  echo "== release checks win32"
  "$root/scripts/lib/check_release.sh" --allow-test-key "build/win32/bin" | tee "$log_dir/release-win32.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  summary+=("win32: $(tail -n 1 "$log_dir/release-win32.log")")
else
  status=1
fi

if build win64; then
  # shellcheck source=scripts/lib/wine_session.sh
  source "$root/scripts/lib/wine_session.sh"
  trap zvk_wine_session_stop EXIT
  # One prepared prefix for the session and every end-to-end test's copy.
  export ZVK_WINE_TEMPLATE=$root/build/wine-template
  win64_passed=0
  if zvk_wine_session_start "$root/build/win64-run"; then
    # Loudly, when the release cannot be run here.
    skip_reason=$("$root/tests/release32/run_release32.sh" "$root/build/win32/bin" true 2>/dev/null)
    [ -z "$skip_reason" ] || notes+=("release32: $skip_reason")
    run_ctest win64 && win64_passed=1 || status=1
    release32_seconds=$(awk '/Test +#[0-9]+: release32_/ { for (i = 1; i < NF; i++) if ($(i + 1) == "sec") s += $i }
                             END { printf "%.0f", s }' "$log_dir/ctest-win64.log")
    echo "release32: the 32-bit release's tests took ${release32_seconds} s of the win64 run"
  else
    summary+=("win64: Wine session FAILED")
    status=1
  fi
  zvk_wine_session_stop
  trap - EXIT
  # The session's prefix copy stays for the log only when something failed.
  [ "$win64_passed" = 1 ] && rm -rf "$root/build/win64-run"
else
  status=1
fi

# One closing count over every ctest run and the release checks; a
# configuration that did not build or run counts as one failure.
total_passed=0
total_failed=0
for line in "${summary[@]}"; do
  if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    total_failed=$((total_failed + BASH_REMATCH[1]))
    total_passed=$((total_passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  elif [[ $line =~ ([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
    total_passed=$((total_passed + BASH_REMATCH[1]))
    total_failed=$((total_failed + BASH_REMATCH[2]))
  else
    total_failed=$((total_failed + 1))
  fi
done
[ "$total_failed" -eq 0 ] || status=1

echo
echo "== summary"
for line in "${summary[@]}"; do echo "$line"; done
echo "total: $total_passed passed, $total_failed failed"
for line in "${notes[@]}"; do echo "WARNING: $line"; done
exit "$status"
