#!/usr/bin/env bash
# Makes a private certificate authority and server certificates for loopback
# TLS tests and the demo, all in <dir>:
#   ca.pem / ca.der              the authority to trust (PEM; DER for the Windows store)
#   good.pem, good.key           localhost, signed by the authority
#   wronghost.pem, .key          another host name, signed by the authority
#   expired.pem, .key            localhost, signed by the authority, valid in 2020 only
#   untrusted.pem, .key          localhost, signed by an authority nobody trusts
# Usage: make_test_pki.sh <dir> [name]   (name: the good certificate's host, default localhost)
set -euo pipefail
dir=$1
name=${2:-localhost}
mkdir -p "$dir"
cd "$dir"

authority() {  # <prefix> <common name>
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 30 \
    -subj "/CN=$2" -addext basicConstraints=critical,CA:TRUE \
    -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
}

# server <file> <host> <ca prefix> [startdate enddate]
server() {
  local file=$1 host=$2 ca=$3
  openssl req -newkey rsa:2048 -nodes -keyout "$file.key" -out "$file.csr" -subj "/CN=$host" 2>/dev/null
  printf 'subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' "$host" >"$file.ext"
  if [ $# -ge 5 ]; then
    # openssl ca is the only command that takes dates in the past.
    mkdir -p "$file.db"
    : >"$file.db/index.txt"
    cat >"$file.cnf" <<CNF
[ca]
default_ca = test
[test]
database = $file.db/index.txt
new_certs_dir = $file.db
serial = $file.db/serial
default_md = sha256
policy = any
copy_extensions = none
[any]
commonName = supplied
CNF
    echo 01 >"$file.db/serial"
    openssl ca -batch -config "$file.cnf" -cert "$ca.pem" -keyfile "$ca.key" -in "$file.csr" \
      -out "$file.pem" -startdate "$4" -enddate "$5" -extfile "$file.ext" -notext 2>/dev/null
    rm -rf "$file.db" "$file.cnf"
  else
    openssl x509 -req -in "$file.csr" -CA "$ca.pem" -CAkey "$ca.key" -CAcreateserial -out "$file.pem" \
      -days 30 -extfile "$file.ext" 2>/dev/null
  fi
  rm -f "$file.csr" "$file.ext"
}

authority ca "Vellacast Test Authority"
authority stranger "Unknown Authority"
openssl x509 -in ca.pem -outform DER -out ca.der
server good "$name" ca
server wronghost wrong.example ca
server expired "$name" ca 20200101000000Z 20200201000000Z
server untrusted "$name" stranger
rm -f stranger.key ca.srl stranger.srl
