#!/usr/bin/env bash
# A key made by either tool signs packages that the other verifies (a key is
# made owner-only again when it moves to the other system, as any copy of it
# must be), and the Windows tool refuses a linked folder as the native one
# does. Wine shows a file's access list from its mode: the Windows tool's key
# must come out readable by nobody else.
#
#   publisher_cross_platform.sh <zvkpublish.exe> <native zvkpublish> <work-dir>
set -u
windows_tool=$1 native_tool=$2 work=$3
[ -x "$native_tool" ] || { echo "SKIP: no native zvkpublish at $native_tool"; exit 77; }
wine=${WINE64:-/usr/lib/wine/wine64}

fail() {
  echo "FAIL: $*; work folder kept: $work" >&2
  exit 1
}
win() { "$wine" "$windows_tool" "$@"; }
native() { "$native_tool" "$@"; }

rm -rf "$work"
mkdir -p "$work/in/data" && cd "$work" || exit 1
echo data >in/data/a.txt

native keygen -o native >/dev/null || fail "native keygen"
win pack in -o package.zip 2>/dev/null && win sign package.zip --key native.key 2>/dev/null ||
  fail "the Windows tool cannot sign with a native key"
native verify package.zip --pub native.pub >/dev/null || fail "a package the Windows tool signed does not verify natively"

win keygen -o windows >/dev/null || fail "Windows keygen"
mode=$(stat -c %a windows.key)
[ "${mode: -1}" = 0 ] || fail "the Windows tool's key is readable by others (mode $mode)"
chmod 600 windows.key
native sign package.zip --key windows.key 2>/dev/null || fail "the native tool cannot sign with a Windows key"
win verify package.zip --pub windows.pub >/dev/null || fail "a package the native tool signed does not verify on Windows"

ln -s "$work/in/data" in/linked
win pack in -o linked.zip 2>err.txt
status=$?
[ "$status" = 1 ] && grep -q "symbolic link" err.txt && [ ! -e linked.zip ] ||
  fail "a linked folder was packed (exit $status: $(cat err.txt))"

cd / && rm -rf "$work"
echo "PASS"
