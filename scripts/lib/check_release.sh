#!/usr/bin/env bash
# Checks the 32-bit release artefacts: PE32 for Intel 80386, the GUI subsystem
# for the programs, their entry point, the manifests' execution levels, no
# MinGW runtime DLL imports, no import (delay-loaded ones included, and names
# the system forwards elsewhere) of a DLL that could be planted beside the
# files, no debug sections, the publisher key the programs carry, the version
# resource with the project's version, and no test-only crash switch. Prints
# one line per check and "release: N passed, M failed".
#   check_release.sh [--allow-unsigned] [--allow-test-key] <build/win32/bin>
# A keyless release, and one keyed with the tests' key (whose private half is
# in the repository), fail unless the flag says that this build is not one to
# ship; scripts/test.sh passes --allow-test-key.
set -u
usage="usage: check_release.sh [--allow-unsigned] [--allow-test-key] <build/win32/bin>"
allow_unsigned=0
allow_test_key=0
while [ $# -gt 1 ]; do
  case $1 in
    --allow-unsigned) allow_unsigned=1 ;;
    --allow-test-key) allow_test_key=1 ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
  shift
done
bin=${1:?$usage}
case $bin in -*) echo "$usage" >&2; exit 2 ;; esac
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
version=$(sed -n 's/^project(ZvkUpdater VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
# VERSIONINFO keeps its names and values as UTF-16 strings.
has_version_resource() {
  local texts
  texts=$(strings -el "$1")
  grep -qx VS_VERSION_INFO <<<"$texts" && grep -qx "$version" <<<"$texts"
}
no_test_switch() { ! { strings -a "$1"; strings -a -el "$1"; } | grep -q ZVK_TEST_CRASH; }
no_runtime_dlls() {
  ! i686-w64-mingw32-objdump -p "$1" | grep -iE 'DLL Name: (libgcc|libstdc|libwinpthread|zlib1|libminizip)'
}
# The known DLLs (HKLM\System\CurrentControlSet\Control\Session
# Manager\KnownDLLs) that Windows 7 SP1, 10 and 11 all list, plus ntdll:
# the loader maps them, and what they import, from System32 only, never from
# the program's folder. Windows 7's list adds iertutil, lpk, urlmon, usp10
# and wininet, which later versions dropped; the later ones add combase,
# coml2, gdiplus and shcore, which Windows 7 lacks: none of these counts.
# (Taken from that key as fresh installations of those versions have it.)
# The updater runs from temp\ and the launcher elevated, and zlib.dll is
# loaded into the updater: any other import would let a DLL planted beside
# them load with their rights. Other DLLs are loaded at run time from the
# system folder.
known_dlls='advapi32 clbcatq comdlg32 difxapi gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz nsi
  ntdll ole32 oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32'
imports_only_known_dlls() {
  local dll listing bad=0
  listing=$(i686-w64-mingw32-objdump -p "$1") || return 1
  for dll in $(echo "$listing" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    case " $(echo $known_dlls) " in
      *" ${dll%.dll} "*) echo "    imports $dll" ;;
      *) echo "    imports $dll: not a known DLL" >&2; bad=1 ;;
    esac
  done
  [ "$bad" -eq 0 ]
}
# Imported names that a known DLL forwards to a DLL outside the known set:
# the loader resolves a forwarder while it links the program, before the
# entry point restricts the search, and looks for that DLL beside the program
# first. advapi32 forwards RtlGenRandom (SystemFunction036) and
# SystemFunction040/041 to cryptbase.dll from Windows 7 on, and (in some
# versions) its other SystemFunctionNNN and the CryptoAPI calls (Crypt*) to
# cryptsp.dll. Such calls are resolved at run time (GetProcAddress).
forwarded_outside='advapi32!SystemFunction* advapi32!Crypt*'
# "dll!name" for each imported name, the DLL in lower case.
imported_names() {
  i686-w64-mingw32-objdump -p "$1" | awk '
    /^[ \t]*DLL Name: / { dll = tolower($3); sub(/\.dll$/, "", dll); next }
    /^[ \t]*$/ { dll = "" }
    dll != "" && /^[ \t]*[0-9a-f]+[ \t]+[0-9]+[ \t]+[^ \t]+$/ { print dll "!" $3 }'
}
imports_no_forwarded_names() {
  local name pattern bad=0
  for name in $(imported_names "$1"); do
    for pattern in $forwarded_outside; do
      # shellcheck disable=SC2254
      case $name in $pattern) echo "    imports $name: forwarded outside the known DLLs" >&2; bad=1 ;; esac
    done
  done
  [ "$bad" -eq 0 ]
}
# The entry address in the header against ZvkProcessEntry's address in the
# program's separate debug file (the shipped file has no symbols): the linker
# only warns about an entry symbol it cannot find, and a program entered
# elsewhere would load DLLs before the search is restricted.
enters_at_process_entry() {
  local start symbol debug
  debug=$(dirname "$bin")/debug/$(basename "$1").debug
  start=$(i686-w64-mingw32-objdump -f "$1" | sed -n 's/^start address 0x0*//p')
  symbol=$(i686-w64-mingw32-nm "$debug" | sed -n 's/^0*\([0-9a-f]*\) T _\{0,1\}ZvkProcessEntry$/\1/p')
  [ -n "$start" ] && [ "$start" = "$symbol" ]
}
# objdump does not list delay-loaded imports; the data directory shows
# whether there are any (entry d), and none is the rule here.
no_delay_imports() {
  i686-w64-mingw32-objdump -p "$1" | grep -E '^Entry d ' | grep -qE '^Entry d [0-9a-fA-F]+ 0+ '
}
no_debug_sections() { ! i686-w64-mingw32-objdump -h "$1" | grep -qE ' \.debug_'; }
# The PEM public key a keyed build carries; empty for a keyless one.
# shellcheck source=scripts/lib/release_key.sh
source "$(dirname "$0")/release_key.sh"
publisher_key() { zvk_release_key "$1"; }
same_key() { [ "$(publisher_key "$bin/Updater.exe")" = "$(publisher_key "$bin/ZVKLaunch.exe")" ]; }

for program in Updater.exe ZVKLaunch.exe; do
  path=$bin/$program
  check "$program exists" test -f "$path"
  [ -f "$path" ] || continue
  check "$program is PE32 for Intel 80386" pe_is "$path" 'PE32 executable.*Intel 80386'
  check "$program uses the GUI subsystem" pe_is "$path" '(GUI)'
  check "$program links no MinGW runtime DLL" no_runtime_dlls "$path"
  check "$program carries version $version" has_version_resource "$path"
  check "$program holds no test-only crash switch" no_test_switch "$path"
  check "$program enters at ZvkProcessEntry (by its debug file)" enters_at_process_entry "$path"
done
for file in Updater.exe ZVKLaunch.exe zlib.dll; do
  [ -f "$bin/$file" ] || continue
  check "$file imports only the system's known DLLs" imports_only_known_dlls "$bin/$file"
  imports_only_known_dlls "$bin/$file" 2>&1 | sed 's/^/  /'
  check "$file imports no name forwarded outside the known DLLs" imports_no_forwarded_names "$bin/$file"
  imports_no_forwarded_names "$bin/$file" 2>&1 | sed 's/^/  /'
  check "$file has no delay-loaded imports" no_delay_imports "$bin/$file"
  check "$file carries no debug sections" no_debug_sections "$bin/$file"
done
check "ZVKLaunch.exe asks for administrator rights" has_text "$bin/ZVKLaunch.exe" 'level="requireAdministrator"'
check "Updater.exe runs as the invoker" has_text "$bin/Updater.exe" 'level="asInvoker"'
check "Updater.exe asks for common controls 6" has_text "$bin/Updater.exe" 'Microsoft.Windows.Common-Controls'
check "zlib.dll exists" test -f "$bin/zlib.dll"
if [ -f "$bin/zlib.dll" ]; then
  check "zlib.dll is a PE32 DLL for Intel 80386" pe_is "$bin/zlib.dll" 'PE32 executable (DLL).*Intel 80386'
  check "zlib.dll exports ExtractZipToDir" sh -c "i686-w64-mingw32-objdump -p '$bin/zlib.dll' | grep -qE '\] ExtractZipToDir$'"
  check "zlib.dll exports ExtractZipHandleToDir" sh -c "i686-w64-mingw32-objdump -p '$bin/zlib.dll' | grep -qE '\] ExtractZipHandleToDir$'"
  check "zlib.dll links no MinGW runtime DLL" no_runtime_dlls "$bin/zlib.dll"
  check "zlib.dll carries version $version" has_version_resource "$bin/zlib.dll"
fi
if [ -f "$bin/Updater.exe" ] && [ -f "$bin/ZVKLaunch.exe" ]; then
  check "Updater.exe and ZVKLaunch.exe carry the same publisher key (or none)" same_key
  key=$(publisher_key "$bin/ZVKLaunch.exe")
  root=$(cd "$(dirname "$0")/../.." && pwd)
  if [ -z "$key" ]; then
    if [ "$allow_unsigned" = 1 ]; then
      check "keyless release, allowed by --allow-unsigned: packages are checked by MD5 alone; do not ship it" true
    else
      check "the release carries a publisher key (it has none: packages would be checked by MD5 alone)" false
    fi
  elif [ "$key" = "$(cat "$root/tests/keys/test_publisher.pub")" ]; then
    if [ "$allow_test_key" = 1 ]; then
      check "keyed with the tests' key, allowed by --allow-test-key; ship a build with your own key" true
    else
      check "the release is keyed with another key than the tests' (tests/keys/test_publisher.pub, whose private half anyone has)" false
    fi
  else
    echo "  keyed: yes, key $(echo "$key" | sed -n 2p | cut -c1-24)..."
  fi
fi
echo "release: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
