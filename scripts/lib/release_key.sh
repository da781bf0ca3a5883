# Sourced: zvk_release_key <program> prints the PEM public key a keyed build
# of Updater.exe or ZVKLaunch.exe carries, and nothing for a keyless one.
# (The key parser's own "-----BEGIN PUBLIC KEY-----" is in every build: only
# a block of base64 lines that ends counts.)
zvk_release_key() {
  strings -n 8 "$1" | awk '
    /^-----BEGIN PUBLIC KEY-----$/ { block = $0; next }
    block != "" && /^-----END PUBLIC KEY-----$/ { print block; print; exit }
    block != "" && /^[A-Za-z0-9+\/=]+$/ { block = block "\n" $0; next }
    { block = "" }'
}
