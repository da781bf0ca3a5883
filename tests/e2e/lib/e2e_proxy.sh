# Sourced by e2e_proxy.sh: tinyproxy on loopback, and the current user's
# proxy settings written as Windows writes them.
#   e2e_tinyproxy <name> [config lines]   tinyproxy on a free port of 127.0.0.1, going out from
#                                         127.0.0.2; sets E2E_PROXY_PORT; stopped by e2e_end
#   e2e_proxy_settings <flags> <proxy> <bypass> <script url>
#       flags as in the settings blob: 1 direct, 2 fixed proxy, 4 script, 8 automatic detection

e2e_tinyproxy() {
  local name=$1 extra=${2:-} conf=$E2E_STATE/$1.conf
  E2E_PROXY_PORT=$(e2e_free_port)
  printf 'Port %s\nListen 127.0.0.1\nBind 127.0.0.2\nTimeout 30\nLogFile "%s"\n%b\n' \
    "$E2E_PROXY_PORT" "$E2E_STATE/$name.log" "$extra" >"$conf"
  tinyproxy -d -c "$conf" </dev/null >"$E2E_STATE/$name.out" 2>&1 &
  e2e_own_pid $!
  for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$E2E_PROXY_PORT") 2>/dev/null && return 0
    sleep 0.1
  done
  echo "tinyproxy $name did not start: $(cat "$E2E_STATE/$name.out")" >&2
  return 1
}

# WinHTTP reads the binary Connections\DefaultConnectionSettings (Wine reads
# nothing else); Windows keeps the plain values beside it, so both are written.
e2e_proxy_settings() {
  local flags=$1 proxy=$2 bypass=$3 script=$4
  local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' blob
  blob=$(python3 - "$flags" "$proxy" "$bypass" "$script" <<'PY'
import struct, sys
flags = int(sys.argv[1])
data = struct.pack('<III', 0x46, 1, flags)
for text in sys.argv[2:]:
    data += struct.pack('<I', len(text)) + text.encode()
print((data + bytes(32)).hex())
PY
)
  "$WINE64" reg add "$key" /v ProxyEnable /t REG_DWORD /d $(((flags & 2) != 0)) /f &&
    "$WINE64" reg add "$key" /v ProxyServer /d "$proxy" /f &&
    "$WINE64" reg add "$key" /v ProxyOverride /d "$bypass" /f &&
    "$WINE64" reg add "$key" /v AutoConfigURL /d "$script" /f &&
    "$WINE64" reg add "$key\\Connections" /v DefaultConnectionSettings /t REG_BINARY /d "$blob" /f
} >/dev/null 2>&1
