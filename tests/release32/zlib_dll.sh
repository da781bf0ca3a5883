#!/usr/bin/env bash
# zlib.dll of the release loaded by a program of its own architecture, its
# undecorated ExtractZipToDir called as the updater calls it: every entry of a
# package unpacked exactly, and a package with an entry that would leave the
# target refused whole with 0x200: none of its entries is written.
#   zlib_dll.sh <zlib_dll_probe.exe> <zlib.dll> <state-dir>
set -uo pipefail
probe=$1 dll=$2 state=$3
wine64=${WINE64:-/usr/lib/wine/wine64}
[ -f "$probe" ] || { echo "no $probe (build the win32 preset)" >&2; exit 1; }
rm -rf "$state"
mkdir -p "$state"
windows_path() { local p="Z:$1"; echo "${p//\//\\}"; }

python3 - "$state" <<'PY'
import random, sys, zipfile
state = sys.argv[1]
rng = random.Random(15)
with zipfile.ZipFile(state + "/good.zip", "w") as z:
    z.writestr("docs/", "")
    z.writestr("readme.txt", "read me", zipfile.ZIP_STORED)
    z.writestr("bin/blob.bin", bytes(rng.getrandbits(8) for _ in range(300000)) * 4, zipfile.ZIP_DEFLATED)
with zipfile.ZipFile(state + "/slip.zip", "w") as z:
    z.writestr("../escape.txt", "x")
    z.writestr("fine.txt", "y")
PY

failed=0
# package | expected result | check after the call
while IFS='|' read -r package expected check; do
  target=$state/out-${package%.zip}
  out=$("$wine64" "$probe" "$(windows_path "$dll")" "$(windows_path "$state/$package")" \
    "$(windows_path "$target")" 2>&1 </dev/null)
  code=$?
  out=${out//$'\r'/}
  result=$(sed -n 's/^result //p' <<<"$out")
  if [ "$code" -ne 0 ] || [ "$result" != "$expected" ]; then
    echo "FAIL $package: exit $code, '$out', expected result $expected" >&2
    failed=1
  elif ! (cd "$state" && eval "$check"); then
    echo "FAIL $package: $check" >&2
    failed=1
  fi
done <<'CASES'
good.zip|0x0|[ "$(cat out-good/readme.txt)" = "read me" ] && [ -d out-good/docs ] && cmp -s out-good/bin/blob.bin <(unzip -p good.zip bin/blob.bin)
slip.zip|0x200|[ ! -e out-slip/fine.txt ] && [ ! -e escape.txt ]
CASES

if [ "$failed" -ne 0 ]; then
  echo "kept for the log: $state" >&2
  exit 1
fi
rm -rf "$state"
echo "PASS zlib.dll of the release"
