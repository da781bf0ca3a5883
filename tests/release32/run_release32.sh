#!/usr/bin/env bash
# run_release32.sh <release-bin> <command...>
# Runs one test of the 32-bit release: the command sees ZVK_RELEASE_BIN set
# to <release-bin> (Updater.exe, ZVKLaunch.exe, zlib.dll of the win32 build).
# A machine that cannot run 32-bit Windows programs gets the reason on both
# outputs and exit code 77 (skipped) instead; scripts/setup.sh prepares one.
set -u
bin=$1
shift
skip() {
  echo "SKIPPED: the 32-bit release is not tested here: $*"
  echo "SKIPPED: the 32-bit release is not tested here: $*" >&2
  exit 77
}

for program in Updater.exe ZVKLaunch.exe zlib.dll; do
  [ -f "$bin/$program" ] || skip "no $bin/$program (build the win32 preset first)"
done
[ -x /usr/lib/wine/wine ] && [ -f /usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll ] \
  || skip "no 32-bit Wine (wine32:i386, installed by scripts/setup.sh)"
grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null \
  || skip "no binfmt_misc rule running i386 programs through qemu-i386 (scripts/setup.sh registers it)"
if [ -n "${WINEPREFIX:-}" ]; then
  "${WINE64:-/usr/lib/wine/wine64}" 'C:\windows\syswow64\cmd.exe' /c exit 7 </dev/null >/dev/null 2>&1
  [ $? -eq 7 ] ||
    skip "a 32-bit program does not run in $WINEPREFIX (a prefix made before wine32 was installed?)"
fi
# A release keyed with the tests' key is served packages signed by it; one
# keyed with another key cannot be tested here.
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=scripts/lib/release_key.sh
source "$root/scripts/lib/release_key.sh"
key=$(zvk_release_key "$bin/ZVKLaunch.exe")
if [ -n "$key" ]; then
  [ "$key" = "$(cat "$root/tests/keys/test_publisher.pub")" ] \
    || skip "the release is keyed with another key than the tests' (tests/keys/test_publisher.pub)"
  export E2E_PUBLISH=${ZVK_HOST_PUBLISHER:-$root/build/native/bin/zvkpublish}
  [ -x "$E2E_PUBLISH" ] || skip "the release is keyed, and there is no native zvkpublish at $E2E_PUBLISH to sign its packages"
  export E2E_SIGN_KEY=$root/tests/keys/test_publisher.key
fi
export ZVK_RELEASE_BIN=$bin
"$@"
