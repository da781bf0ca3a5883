# Sourced by the test and demo scripts: a private Wine prefix and X display.
#
#   zvk_wine_session_start <state-dir>   prepares <state-dir>/wineprefix (a copy of a
#                                        cached template, its system folders hard
#                                        links), starts Xvfb on a free display,
#                                        exports WINEPREFIX, DISPLAY, WINEDEBUG, WINE64
#   zvk_wine_session_stop                stops the Wine server of that prefix and the
#                                        Xvfb this shell started, by their own pids
#
# Nothing is stopped by name: only what this shell started.

WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver
export WINE64 WINESERVER

# With 32-bit Wine installed, a prefix made before it lacks the 32-bit system
# folder and cannot run 32-bit programs: such a template is made again.
zvk__template_current() {
  local template=$1
  [ -f "$template/.zvk-ready" ] || return 1
  zvk__template_whole "$template" || return 1
  [ -f /usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll ] || return 0
  [ -f "$template/drive_c/windows/syswow64/kernel32.dll" ]
}

# A wineboot cut short (a loaded machine, a killed run) leaves a prefix that
# looks made but lacks parts of its system folder or registry: such a
# template is made again instead of being copied into every test.
zvk__template_whole() {
  local template=$1 windows=$1/drive_c/windows
  [ -f "$windows/system32/kernel32.dll" ] && [ -f "$windows/system32/ntdll.dll" ] &&
    [ -f "$windows/system32/user32.dll" ] && [ -f "$windows/system32/cmd.exe" ] &&
    grep -q 'Fonts\\\\Replacements' "$template/user.reg" 2>/dev/null &&
    grep -q 'X11 Driver' "$template/user.reg" 2>/dev/null &&
    [ -s "$template/system.reg" ]
}

zvk__prepare_template() {
  local template=$1
  zvk__template_current "$template" && return 0
  rm -rf "$template"
  mkdir -p "$template"
  (
    export WINEPREFIX=$template WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY
    "$WINE64" wineboot -i >/dev/null 2>&1
    "$WINESERVER" -w
    "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    for font in SimSun 'Microsoft YaHei' "$(printf '\xe5\xbe\xae\xe8\xbd\xaf\xe9\x9b\x85\xe9\xbb\x91')"; do
      "$WINE64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
    done
    "$WINESERVER" -w
  ) || return 1
  zvk__template_whole "$template" || { echo "wine template $template is incomplete" >&2; return 1; }
  touch "$template/.zvk-ready"
}

# The system folders (most of a prefix's 1.3 GB) are only read by the
# programs: they are hard links to the template's (copies across file
# systems), everything else is copied.
zvk__copy_prefix() {
  local template=$1 target=$2 windows=drive_c/windows folder
  mkdir -p "$target" &&
    tar -C "$template" --exclude="./$windows/system32" --exclude="./$windows/syswow64" -cf - . |
    tar -C "$target" -xf - || return 1
  for folder in system32 syswow64; do
    [ -d "$template/$windows/$folder" ] || continue
    cp -al "$template/$windows/$folder" "$target/$windows/" 2>/dev/null && continue
    rm -rf "${target:?}/$windows/$folder"
    cp -a "$template/$windows/$folder" "$target/$windows/" || return 1
  done
}

zvk__free_display() {
  local n=${ZVK_DISPLAY_BASE:-90}
  while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
  echo "$n"
}

zvk_wine_session_start() {
  local state=$1
  mkdir -p "$state"
  local template=${ZVK_WINE_TEMPLATE:-$(dirname "$state")/wine-template}
  zvk__prepare_template "$template" || zvk__prepare_template "$template" ||
    { echo "wine prefix preparation failed" >&2; return 1; }
  rm -rf "$state/wineprefix"
  zvk__copy_prefix "$template" "$state/wineprefix" || { echo "wine prefix copy failed" >&2; return 1; }
  export WINEPREFIX=$state/wineprefix
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  local display
  display=$(zvk__free_display)
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
  ZVK_XVFB_PID=$!
  export DISPLAY=":$display"
  # The socket appears before the server answers; a program that opens the
  # display in between gets no window. Wait for an answer (at most 10 s).
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X${display}" ] && xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
  done
  # A persistent server with Wine's own services already running keeps later
  # program starts quick, and keeps those long-lived processes from inheriting
  # the output pipes of whatever test starts the first Windows program.
  "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
  "$WINE64" cmd /c ver </dev/null >/dev/null 2>&1 || true
}

zvk_wine_session_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
  fi
  if [ -n "${ZVK_XVFB_PID:-}" ]; then
    kill "$ZVK_XVFB_PID" 2>/dev/null || true
    wait "$ZVK_XVFB_PID" 2>/dev/null || true
    ZVK_XVFB_PID=
  fi
}
