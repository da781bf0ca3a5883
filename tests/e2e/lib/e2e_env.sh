# Sourced by the end-to-end tests and by scripts/demo.sh: a demo installation
# under Wine, an update package, nginx on 127.0.0.1, and the GUI driver.
#
#   e2e_begin <state-dir> <bin-dir>    own Wine prefix and Xvfb; sets E2E_STATE, E2E_BIN,
#                                      E2E_RELEASE_BIN; stops everything at exit and
#                                      removes <state-dir> when the script succeeded
#   e2e_layout <root>                  <root>/Vellacast/{ZVKLaunch.exe,zlib.dll,zvkclient.exe,temp/Updater.exe};
#                                      with E2E_MARKER_DLL set, also that DLL planted in temp\ and
#                                      beside the launcher under the names of E2E_PLANTED_DLLS, which
#                                      Wine is told to load native-first; a script that loaded one fails
#   e2e_make_package <zip> <prefix> <version>   the package (entries under <prefix>) and E2E_MD5;
#                                      signed by E2E_SIGN_KEY with E2E_PUBLISH when set (a keyed release)
#   e2e_serve <docroot> [limit_rate]   nginx on a free port; sets E2E_PORT, E2E_BASE_URL (E2E_HTTPS: e2e_tls.sh;
#                                      E2E_EXTRA_SERVERS: more server blocks)
#   e2e_serve_scripted <server> <zip> [script]   the scripted package server; sets E2E_PORT, E2E_BASE_URL
#   e2e_own_pid <pid>                  a process of the script's, stopped by e2e_end
#   e2e_expect_log <program> <regex>   <program>'s log file in the prefix has a matching line
#   e2e_end                            stops what the script started
#
# The programs under test (Updater.exe, ZVKLaunch.exe, zlib.dll) come from
# $ZVK_RELEASE_BIN when it is set (another build of them, such as the 32-bit
# release), the test helpers always from <bin-dir>.
#
# Everything is stopped by its own pid (nginx, servers, Xvfb) or by the private
# prefix's Wine server; nothing is looked up by name. The state folder (a copy
# of a Wine prefix and of every program) stays only when the script failed,
# for its log; E2E_KEEP_STATE=1 keeps it anyway.

E2E_ROOT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
# shellcheck source=scripts/lib/wine_session.sh
source "$E2E_ROOT_DIR/scripts/lib/wine_session.sh"
# shellcheck source=tests/e2e/lib/e2e_tls.sh
source "$E2E_ROOT_DIR/tests/e2e/lib/e2e_tls.sh"

E2E_NGINX_PID=
E2E_STARTED_SESSION=
E2E_OWN_PIDS=()

e2e_log() { printf '   %s\n' "$*"; }
e2e_fail() { echo "FAIL: $*" >&2; E2E_FAILED=1; }

e2e_begin() {
  E2E_STATE=$1
  E2E_BIN=$2
  E2E_RELEASE_BIN=${ZVK_RELEASE_BIN:-$2}
  E2E_FAILED=0
  rm -rf "$E2E_STATE"
  mkdir -p "$E2E_STATE"
  trap e2e__exit EXIT
  e2e__real_locale || return 1
  zvk_wine_session_start "$E2E_STATE" || return 1
  E2E_STARTED_SESSION=1
  # A stand-in Client that nobody ends still ends by itself.
  export ZVK_FAKE_CLIENT_LIFETIME_MS=${ZVK_FAKE_CLIENT_LIFETIME_MS:-180000}
}

# Wine converts Unix file names with the C library's character set. Under a
# locale the machine has not generated (LC_ALL=zh_CN.UTF-8 here) that is
# ASCII, and a folder named outside ASCII cannot be opened. With
# E2E_REAL_LOCALE set, the LC_ALL locale is generated into the state folder.
e2e__real_locale() {
  [ -n "${E2E_REAL_LOCALE:-}" ] && [ -n "${LC_ALL:-}" ] || return 0
  mkdir -p "$E2E_STATE/locale"
  localedef -i "${LC_ALL%%.*}" -f UTF-8 "$E2E_STATE/locale/$LC_ALL" 2>/dev/null || true
  [ -d "$E2E_STATE/locale/$LC_ALL" ] || { echo "locale $LC_ALL not generated" >&2; return 1; }
  export LOCPATH=$E2E_STATE/locale
}

e2e_own_pid() { E2E_OWN_PIDS+=("$1"); }

e2e_end() {
  local pid
  for pid in "${E2E_OWN_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  E2E_OWN_PIDS=()
  if [ -n "$E2E_NGINX_PID" ]; then
    kill "$E2E_NGINX_PID" 2>/dev/null || true
    wait "$E2E_NGINX_PID" 2>/dev/null || true
    E2E_NGINX_PID=
  fi
  if [ -n "$E2E_STARTED_SESSION" ]; then
    zvk_wine_session_stop
    E2E_STARTED_SESSION=
  fi
}

# The exit trap: a passed (0) or skipped (77) script leaves nothing behind.
e2e__exit() {
  local status=$?
  e2e_end
  if [ -n "${E2E_MARKER_LOG:-}" ] && [ -s "$E2E_MARKER_LOG" ]; then
    echo "FAIL: a DLL planted beside the programs was loaded (the DLL, then the program):" >&2
    sed 's/^/   /' "$E2E_MARKER_LOG" >&2
    status=1
  fi
  if [ "$status" -eq 0 ] || [ "$status" -eq 77 ]; then
    [ "${E2E_KEEP_STATE:-0}" = 1 ] || rm -rf "$E2E_STATE"
  else
    echo "kept for the log: $E2E_STATE" >&2
  fi
  exit "$status"
}

e2e_layout() {
  local root=$1
  E2E_INSTALL=$root/Vellacast
  rm -rf "$root"
  mkdir -p "$E2E_INSTALL/temp"
  cp "$E2E_RELEASE_BIN/ZVKLaunch.exe" "$E2E_RELEASE_BIN/zlib.dll" "$E2E_BIN/zvkclient.exe" "$E2E_INSTALL/"
  cp "$E2E_RELEASE_BIN/Updater.exe" "$E2E_INSTALL/temp/"
  printf 'version 1\n' >"$E2E_INSTALL/version.txt"
  E2E_RECORD=$E2E_INSTALL/zvkclient_record.txt
  [ -z "${E2E_MARKER_DLL:-}" ] || e2e__plant_markers
}

# DLLs that are not on the system's known-DLL list and that the programs
# import or load (or once did): Windows would take a copy beside the program
# first, which Wine does for DLLs set to native-first.
E2E_PLANTED_DLLS=${E2E_PLANTED_DLLS:-"secur32 sspicli crypt32 msimg32 comctl32 bcrypt mswsock winhttp"}

e2e__plant_markers() {
  local name overrides=""
  [ -f "$E2E_MARKER_DLL" ] || { e2e_fail "no marker DLL at $E2E_MARKER_DLL"; return 1; }
  for name in $E2E_PLANTED_DLLS; do
    cp "$E2E_MARKER_DLL" "$E2E_INSTALL/temp/$name.dll"
    cp "$E2E_MARKER_DLL" "$E2E_INSTALL/$name.dll"
    overrides+="${overrides:+,}$name"
  done
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}$overrides=n,b"
  E2E_MARKER_LOG=$E2E_STATE/markers.log
  export ZVK_MARKER_LOG="Z:${E2E_MARKER_LOG//\//\\}"
}

# A package of a few files under <prefix> (empty for the top level): a text
# file, a nested file, and a larger file of pseudo-random bytes so that the
# download takes four ranges worth of data.
e2e_make_package() {
  local zip=$1 prefix=$2 version=$3 size=${4:-3000000}
  python3 - "$zip" "$prefix" "$version" "$size" <<'PY'
import random, sys, zipfile
path, prefix, version, size = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
rng = random.Random(7)
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr(prefix + "version.txt", "version %s\n" % version)
    z.writestr(prefix + "data/readme.txt", "new data of version %s\n" % version)
    z.writestr(zipfile.ZipInfo(prefix + "data/blob.bin", (2024, 1, 1, 0, 0, 0)),
               bytes(rng.getrandbits(8) for _ in range(size)), zipfile.ZIP_STORED)
PY
  if [ -n "${E2E_SIGN_KEY:-}" ]; then
    # The tool takes only a key that nobody else can read.
    install -D -m 600 "$E2E_SIGN_KEY" "$E2E_STATE/sign/publisher.key"
    "$E2E_PUBLISH" sign "$zip" --key "$E2E_STATE/sign/publisher.key" >/dev/null || e2e_fail "sign failed"
  fi
  E2E_MD5=$(md5sum "$zip" | cut -d' ' -f1)
}

e2e_free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}

# nginx serves <docroot> with byte ranges on 127.0.0.1; an optional rate
# limit per connection (nginx's limit_rate syntax, e.g. 200k) slows it down.
# Sets E2E_BASE_URL; with E2E_HTTPS set, that is the HTTPS server of e2e_tls.sh.
e2e_serve() {
  local docroot=$1 rate=${2:-0}
  local conf_dir=$E2E_STATE/nginx
  mkdir -p "$conf_dir/logs" "$conf_dir/tmp"
  E2E_PORT=$(e2e_free_port)
  E2E_BASE_URL=http://127.0.0.1:$E2E_PORT
  local tls_servers=""
  if [ -n "${E2E_HTTPS:-}" ]; then
    e2e_tls_prepare || return 1
    tls_servers=$(e2e_tls_servers "$docroot" "$rate")
  fi
  local user_line=""
  [ "$(id -u)" = 0 ] && user_line="user root;"
  cat >"$conf_dir/nginx.conf" <<CONF
$user_line
worker_processes 1;
pid $conf_dir/nginx.pid;
error_log $conf_dir/logs/error.log;
events { worker_connections 64; }
http {
  access_log $conf_dir/logs/access.log;
  client_body_temp_path $conf_dir/tmp;
  proxy_temp_path $conf_dir/tmp;
  fastcgi_temp_path $conf_dir/tmp;
  uwsgi_temp_path $conf_dir/tmp;
  scgi_temp_path $conf_dir/tmp;
  default_type application/zip;
  server {
    listen 127.0.0.1:$E2E_PORT;
    root $docroot;
    limit_rate $rate;
  }
$tls_servers
${E2E_EXTRA_SERVERS:-}
}
CONF
  nginx -e "$conf_dir/logs/error.log" -p "$conf_dir" -c "$conf_dir/nginx.conf" -g 'daemon off;' \
    </dev/null >"$conf_dir/nginx.out" 2>&1 &
  E2E_NGINX_PID=$!
  for _ in $(seq 50); do
    curl -s -o /dev/null "http://127.0.0.1:$E2E_PORT/" && return 0
    sleep 0.1
  done
  echo "nginx did not start: $(cat "$conf_dir/nginx.out")" >&2
  return 1
}

# The scripted package server (a native program) serving <zip> on a free port,
# misbehaving on the first requests as <script> says (see its README).
e2e_serve_scripted() {
  local server=$1 zip=$2 script=${3:-}
  local out=$E2E_STATE/package-server.out
  "$server" --file "$zip" ${script:+--script "$script"} </dev/null >"$out" 2>&1 &
  e2e_own_pid $!
  E2E_PORT=
  for _ in $(seq 50); do
    E2E_PORT=$(sed -n 's/^port \([0-9]*\)$/\1/p' "$out")
    E2E_BASE_URL=http://127.0.0.1:$E2E_PORT
    [ -n "$E2E_PORT" ] && return 0
    sleep 0.1
  done
  echo "the package server did not start: $(cat "$out")" >&2
  return 1
}

# Runs the GUI driver (arguments as documented in its README); prints its output.
e2e_driver() { "$WINE64" "$E2E_BIN/gui_driver.exe" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# Where a window of <class> is, as the GUI driver prints it: sets E2E_RECT
# (left top right bottom, screen), E2E_CLIENT (width height) and E2E_WORKAREA.
e2e_geometry() {
  local out
  out=$(e2e_driver --class "$1" --timeout 2000 --geometry) || return 1
  read -r -a E2E_RECT <<<"$(sed -n 's/^rect: //p' <<<"$out")"
  read -r -a E2E_CLIENT <<<"$(sed -n 's/^client: //p' <<<"$out")"
  read -r -a E2E_WORKAREA <<<"$(sed -n 's/^workarea: //p' <<<"$out")"
  [ "${#E2E_RECT[@]}" -eq 4 ] && [ "${#E2E_CLIENT[@]}" -eq 2 ] && [ "${#E2E_WORKAREA[@]}" -eq 4 ]
}

e2e_shot() {
  local name=$1
  mkdir -p "$E2E_STATE/screenshots"
  import -window root "$E2E_STATE/screenshots/$name.png" 2>/dev/null && echo "$E2E_STATE/screenshots/$name.png"
}

# Starts the stand-in Client from the installation and waits until it is ready.
e2e_start_client() {
  "$WINE64" "$E2E_INSTALL/zvkclient.exe" "$@" </dev/null >/dev/null 2>&1 &
  e2e_wait_record ' ready ' 1 200
}

# Waits until the record holds at least <count> lines matching <pattern>
# (checked every 0.1 s, <tenths> times).
e2e_wait_record() {
  local pattern=$1 count=${2:-1} tenths=${3:-100}
  for _ in $(seq "$tenths"); do
    local found
    found=$(grep -cE "$pattern" "$E2E_RECORD" 2>/dev/null || true)
    [ "${found:-0}" -ge "$count" ] && return 0
    sleep 0.1
  done
  return 1
}

# Starts Updater.exe from the installation's temp folder in the background;
# sets E2E_UPDATER_PID (the wine64 loader's pid, whose exit status is the
# updater's exit code).
e2e_start_updater() {
  "$WINE64" "$E2E_INSTALL/temp/Updater.exe" "$@" </dev/null >"$E2E_STATE/updater.out" 2>&1 &
  E2E_UPDATER_PID=$!
}

# Waits for the updater to end within <seconds>; sets E2E_UPDATER_CODE to
# its exit code (0..255, as wine64 passes it on) or "timeout".
e2e_wait_updater() {
  local seconds=$1
  E2E_UPDATER_CODE=timeout
  for _ in $(seq $((seconds * 10))); do
    if ! kill -0 "$E2E_UPDATER_PID" 2>/dev/null; then
      E2E_UPDATER_CODE=0
      wait "$E2E_UPDATER_PID" || E2E_UPDATER_CODE=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Waits up to 20 s for the updater and fails the test unless it exited with 0.
e2e_expect_updater_done() {
  e2e_wait_updater 20
  [ "$E2E_UPDATER_CODE" = 0 ] || e2e_fail "updater exit code $E2E_UPDATER_CODE"
}

e2e_expect_file() {
  local path=$1 content=$2
  if [ ! -f "$path" ]; then e2e_fail "missing $path"; return; fi
  [ "$(cat "$path")" = "$content" ] || e2e_fail "$path holds '$(cat "$path")', expected '$content'"
}

e2e_expect_absent() { [ ! -e "$1" ] || e2e_fail "$1 should not exist"; }

# The programs' log folder in the script's Wine prefix: there every program
# runs elevated, so it is the machine's (thrown away with the prefix).
e2e_log_folder() { echo "$WINEPREFIX/drive_c/ProgramData/Vellacast Updater/logs"; }

e2e_expect_log() {
  local file
  file=$(e2e_log_folder)/$1.log
  grep -qE "$2" "$file" 2>/dev/null || e2e_fail "$1.log has no line matching '$2'"
}

# Waits until the verified package is in temp (the download has finished).
e2e_wait_package() {
  local tenths=$1
  for _ in $(seq "$tenths"); do
    [ -f "$E2E_INSTALL/temp/update.zip" ] && return 0
    sleep 0.1
  done
  return 1
}

# Client coordinates of the updater window's install button (310 x 100
# window: the button row starts at y 60, the button is 71 x 26 at the right
# end of the 300-pixel row, 4 pixels down).
E2E_INSTALL_BUTTON=264,77

# The windows' classes.
E2E_TIPS=zvk_updater_tips_wnd_class_name
E2E_LAUNCH=zvk_updater_launch_wnd_class_name
E2E_UPDATER=zvk_updater_wnd_class_name

e2e_finish() {
  local name=$1
  e2e_driver --class vellacast --answer close --timeout 3000 --wait-gone 5000 >/dev/null 2>&1 || true
  if [ "$E2E_FAILED" = 0 ]; then
    echo "PASS $name"
    return 0
  fi
  echo "--- Client record" >&2
  cat "$E2E_RECORD" >&2 2>/dev/null
  return 1
}
