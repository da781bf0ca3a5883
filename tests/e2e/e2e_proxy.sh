#!/usr/bin/env bash
# Updates through a proxy under Wine, the route taken from the current user's
# Internet settings in the registry. tinyproxy goes out from 127.0.0.2; the
# package servers admit only that address ("via" servers) or only 127.0.0.1
# ("direct" servers), so a package that arrives came the way the route says.
# The engine (download_cli.exe, the worker with its ten attempts) takes each
# road the settings give (a proxy that is down or refuses: the engine's own
# tests, natively); the real updater meets a proxy that asks for a password:
# ten attempts, one ERROR line each, the failure box, nothing installed.
#   e2e_proxy.sh <bin-dir> <state-dir> <download_cli.exe>
set -uo pipefail
source "$(dirname "$0")/lib/e2e_env.sh"
command -v tinyproxy >/dev/null || { echo "SKIP: no tinyproxy (scripts/setup.sh installs it)"; exit 77; }
e2e_begin "$2" "$1" || exit 1
cli=$3
www=$E2E_STATE/www
mkdir -p "$www"
e2e_make_package "$www/update.zip" "Vellacast/" 2 300000

# <variable> <config line>: tinyproxy on 127.0.0.1 going out from 127.0.0.2;
# its address goes into the variable.
tinyproxy_at() {
  local port; port=$(e2e_free_port)
  printf -v "$1" '127.0.0.1:%s' "$port"
  printf 'Port %s\nListen 127.0.0.1\nBind 127.0.0.2\nTimeout 30\n%s\n' "$port" "$2" >"$E2E_STATE/tp-$port.conf"
  tinyproxy -d -c "$E2E_STATE/tp-$port.conf" </dev/null >"$E2E_STATE/tp-$port.out" 2>&1 &
  e2e_own_pid $!
  for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && return 0; sleep 0.1; done
  return 1
}
tinyproxy_at open 'Allow 127.0.0.1' && tinyproxy_at asking 'BasicAuth user secret' || exit 1
cat >"$www/proxy.pac" <<PAC
function FindProxyForURL(url, host) {
  if (host == "localhost") return "PROXY $open; DIRECT";
  return "DIRECT";
}
PAC

via=$(e2e_free_port) via_tls=$(e2e_free_port) direct=$(e2e_free_port)
E2E_HTTPS=1 e2e_tls_prepare || exit 1
E2E_EXTRA_SERVERS="
  server { listen 127.0.0.1:$via; root $www; allow 127.0.0.2; deny all; }
  server { listen 127.0.0.1:$via_tls ssl; root $www; allow 127.0.0.2; deny all;
           ssl_certificate $E2E_PKI/good.pem; ssl_certificate_key $E2E_PKI/good.key; }
  server { listen 127.0.0.1:$direct; root $www; allow 127.0.0.1; deny all; }"
e2e_serve "$www" || exit 1
pac=http://127.0.0.1:$E2E_PORT/proxy.pac

# <flags> <proxy> <bypass> <script url>: the settings blob that WinHTTP reads
# (Wine reads nothing else; flags: 2 fixed proxy, 4 script) and the plain
# values Windows keeps beside it.
proxy_settings() {
  local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' blob
  blob=$(python3 -c 'import struct, sys
d = struct.pack("<III", 0x46, 1, int(sys.argv[1]))
for t in sys.argv[2:]: d += struct.pack("<I", len(t)) + t.encode()
print((d + bytes(32)).hex())' "$@")
  "$WINE64" reg add "$key" /v ProxyEnable /t REG_DWORD /d $((($1 & 2) != 0)) /f &&
    "$WINE64" reg add "$key" /v ProxyServer /d "$2" /f && "$WINE64" reg add "$key" /v ProxyOverride /d "$3" /f &&
    "$WINE64" reg add "$key" /v AutoConfigURL /d "$4" /f &&
    "$WINE64" reg add "$key\\Connections" /v DefaultConnectionSettings /t REG_BINARY /d "$blob" /f
} >/dev/null 2>&1

# <name> <flags> <proxy> <bypass> <script> <url> <outcome> <text in the log>: one
# worker run in a fresh folder under those settings.
cli_run() {
  local name=$1 folder=$E2E_STATE/cli-$1
  mkdir -p "$folder"
  proxy_settings "$2" "$3" "$4" "$5" || { e2e_fail "$name: settings not written"; return; }
  "$WINE64" "$cli" --url "$6" --md5 "$E2E_MD5" --folder "$(e2e_wine_path "$folder")" </dev/null 2>/dev/null \
    | tr -d '\r' >"$folder.out"
  grep -q "^$7 " "$folder.out" || e2e_fail "$name: $(tail -n 3 "$folder.out")"
  grep -qF -- "$8" "$folder.out" || e2e_fail "$name: no '$8' in $(grep -m 3 '\]\[[IE]\]\[' "$folder.out")"
  if [ "$7" = finished ]; then
    cmp -s "$www/update.zip" "$folder/update.zip" || e2e_fail "$name: the package differs"
  else
    local errors; errors=$(grep -c '\]\[E\]\[' "$folder.out")
    [ "$errors" -eq 10 ] || e2e_fail "$name: $errors ERROR lines for ten attempts"
  fi
}
fixed="proxy $open (fixed proxy of the system settings)"
cli_run fixed-http 2 "$open" '' '' "http://127.0.0.1:$via/update.zip" finished "$fixed"
cli_run fixed-https 2 "http=$open;https=$open" '' '' "https://localhost:$via_tls/update.zip" finished "$fixed"
bypass='*.example.com;<local>;127.0.0.*'
cli_run bypass-local 2 "$open" "$bypass" '' "http://localhost:$direct/update.zip" finished "direct (bypass list"
cli_run bypass-pattern 2 "$open" "$bypass" '' "http://127.0.0.1:$direct/update.zip" finished "direct (bypass list"
cli_run script-proxy 4 '' '' "$pac" "https://localhost:$via_tls/update.zip" finished \
  "proxy $open (configuration script $pac)"
cli_run script-direct 4 '' '' "$pac" "http://127.0.0.1:$direct/update.zip" finished \
  "direct (configuration script $pac answered DIRECT)"
cli_run detect-nothing-then-script 12 '' '' "$pac" "https://localhost:$via_tls/update.zip" finished \
  "route to localhost:$via_tls: automatic detection found no configuration script"
cli_run script-missing 4 '' '' "${pac%.pac}-gone.pac" "http://127.0.0.1:$direct/update.zip" failed \
  "configuration script ${pac%.pac}-gone.pac cannot be fetched or evaluated"

# The real updater behind a proxy that asks for a password.
root=$E2E_STATE/demo
e2e_layout "$root"
before=$(cd "$root" && find . -type f | sort | xargs md5sum)
proxy_settings 2 "$asking" '' ''
# Its log lines reach the debugger output, which Wine's debugstr channel prints.
WINEDEBUG=-all,+debugstr e2e_start_updater "-url=https://localhost:$via_tls/update.zip" "-md5=$E2E_MD5" \
  -pagecallparam=x -forcedupdate=2
e2e_driver --class "$E2E_TIPS" --timeout 90000 --answer enter --wait-gone 5000 >/dev/null \
  || e2e_fail "no failure box"
e2e_expect_updater_done
asked=$(grep -a '\]\[E\]\[' "$E2E_STATE/updater.out" | grep -c "asks for authentication (Basic) for CONNECT localhost:$via_tls")
[ "$asked" -eq 10 ] || e2e_fail "$asked ERROR lines naming the authentication for ten attempts"
after=$(cd "$root" && find . -type f ! -name 'update.td*' | sort | xargs md5sum)
[ "$before" = "$after" ] || e2e_fail "the installation changed: $(diff <(echo "$before") <(echo "$after"))"
[ -s "$E2E_RECORD" ] && e2e_fail "a Client was started"
e2e_finish "updates through a proxy"
