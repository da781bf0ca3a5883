# Sourced by e2e_env.sh: HTTPS for the end-to-end tests and the demo. With
# E2E_HTTPS set, e2e_serve also serves the docroot over TLS on localhost
# (Wine's SSL policy refuses certificates for IP addresses) from a private
# authority that only the session's own Wine prefix trusts:
#   E2E_BASE_URL        https://localhost:<port> of the good certificate
#   E2E_TLS_PORTS       ports of the servers with the good, wrong-host,
#                       expired and untrusted certificates, in that order
#   /to-http.zip        on the good TLS server: a redirection to plain http
#   E2E_REDIRECT_PORT   a plain server whose /to-https.zip redirects to https
# The authority cannot be removed from the prefix again (Wine's system store
# ignores deletions): the prefix is thrown away with the session.

E2E_TLS_NAMES=(good wronghost expired untrusted)

# Makes the authority and the certificates and trusts the authority in the
# prefix; picks the ports.
e2e_tls_prepare() {
  E2E_PKI=$E2E_STATE/pki
  bash "$E2E_ROOT_DIR/tests/helpers/tls/make_test_pki.sh" "$E2E_PKI" || { echo "no certificates" >&2; return 1; }
  "$WINE64" "$E2E_BIN/trust_root.exe" "$(e2e_wine_path "$E2E_PKI/ca.der")" </dev/null \
    || { echo "the authority was not trusted" >&2; return 1; }
  E2E_TLS_PORTS=()
  for _ in "${E2E_TLS_NAMES[@]}"; do E2E_TLS_PORTS+=("$(e2e_free_port)"); done
  E2E_REDIRECT_PORT=$(e2e_free_port)
  E2E_BASE_URL=https://localhost:${E2E_TLS_PORTS[0]}
}

# A Windows path for a file of the host (Wine maps / to drive Z:).
e2e_wine_path() { printf 'Z:%s' "${1//\//\\}"; }

# nginx server blocks for e2e_serve: <docroot> <rate>.
e2e_tls_servers() {
  local docroot=$1 rate=$2 i
  for i in "${!E2E_TLS_NAMES[@]}"; do
    cat <<CONF
  server {
    listen 127.0.0.1:${E2E_TLS_PORTS[$i]} ssl;
    root $docroot;
    limit_rate $rate;
    ssl_certificate $E2E_PKI/${E2E_TLS_NAMES[$i]}.pem;
    ssl_certificate_key $E2E_PKI/${E2E_TLS_NAMES[$i]}.key;
    location = /to-http.zip { return 302 http://127.0.0.1:$E2E_PORT/update.zip; }
  }
CONF
  done
  cat <<CONF
  server {
    listen 127.0.0.1:$E2E_REDIRECT_PORT;
    location = /to-https.zip { return 302 $E2E_BASE_URL/update.zip; }
  }
CONF
}
