#!/usr/bin/env bash
# Checks the 32-bit release artefacts: PE32 for Intel 80386, the GUI subsystem
# for the programs, the manifests' execution levels, and no MinGW runtime DLL
# imports. Prints one line per check and "release: N passed, M failed".
set -u
bin=${1:?usage: check_release.sh <build/win32/bin>}
passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then
    passed=$((passed + 1))
    echo "  ok    $what"
  else
    failed=$((failed + 1))
    echo "  FAIL  $what"
  fi
}
pe_is() { file -b "$1" | grep -q "$2"; }
has_text() { grep -aq "$2" "$1"; }
no_runtime_dlls() {
  ! i686-w64-mingw32-objdump -p "$1" | grep -iE 'DLL Name: (libgcc|libstdc|libwinpthread|zlib1|libminizip)'
}

for program in Updater.exe ZVKLaunch.exe; do
  path=$bin/$program
  check "$program exists" test -f "$path"
  [ -f "$path" ] || continue
  check "$program is PE32 for Intel 80386" pe_is "$path" 'PE32 executable.*Intel 80386'
  check "$program uses the GUI subsystem" pe_is "$path" '(GUI)'
  check "$program links no MinGW runtime DLL" no_runtime_dlls "$path"
done
check "ZVKLaunch.exe asks for administrator rights" has_text "$bin/ZVKLaunch.exe" 'level="requireAdministrator"'
check "Updater.exe runs as the invoker" has_text "$bin/Updater.exe" 'level="asInvoker"'
check "Updater.exe asks for common controls 6" has_text "$bin/Updater.exe" 'Microsoft.Windows.Common-Controls'
check "zlib.dll exists" test -f "$bin/zlib.dll"
if [ -f "$bin/zlib.dll" ]; then
  check "zlib.dll is a PE32 DLL for Intel 80386" pe_is "$bin/zlib.dll" 'PE32 executable (DLL).*Intel 80386'
  check "zlib.dll exports ExtractZipToDir" sh -c "i686-w64-mingw32-objdump -p '$bin/zlib.dll' | grep -qE '\] ExtractZipToDir$'"
  check "zlib.dll links no MinGW runtime DLL" no_runtime_dlls "$bin/zlib.dll"
fi
echo "release: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
