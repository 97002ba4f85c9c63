#!/usr/bin/env bash
# Creates the test certificate authority and the simulated service's server certificate
# (localhost, 127.0.0.1, ::1) signed by it, in sim/certs:
#   ca.pem, ca.key          the test authority; clients trust ca.pem, nothing else
#   server.pem, server.key  the sim's certificate and key
# Safe to run again and from several processes at once: files that are present, valid and not
# about to expire are kept; a server certificate is re-made under the existing authority.
set -euo pipefail

dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/certs"
mkdir -p "$dir"
cd "$dir"

exec 9>"$dir/.lock"
flock 9

# 30 days of margin, so that a long-lived checkout does not run into an expiry mid-test.
margin=$((30 * 24 * 3600))

valid_for_margin() { openssl x509 -noout -checkend "$margin" -in "$1" >/dev/null 2>&1; }

ca_ok() {
  [ -s ca.pem ] && [ -s ca.key ] && valid_for_margin ca.pem
}

server_ok() {
  [ -s server.pem ] && [ -s server.key ] && valid_for_margin server.pem \
    && openssl verify -CAfile ca.pem server.pem >/dev/null 2>&1 \
    && [ "$(openssl x509 -noout -pubkey -in server.pem)" = "$(openssl pkey -pubout -in server.key)" ]
}

tmp="$(mktemp -d "$dir/.tmp.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT

made=""
if ! ca_ok; then
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
    -keyout "$tmp/ca.key" -out "$tmp/ca.pem" -days 3650 \
    -subj "/O=Kavoni Simulated Service/CN=Kavoni Sim Test Authority" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -addext "subjectKeyIdentifier=hash" 2>/dev/null
  chmod 600 "$tmp/ca.key"
  mv -f "$tmp/ca.key" ca.key
  mv -f "$tmp/ca.pem" ca.pem
  rm -f server.pem server.key
  made="test authority"
fi

if ! server_ok; then
  cat >"$tmp/server.ext" <<'EOF'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1
subjectKeyIdentifier=hash
authorityKeyIdentifier=keyid
EOF
  openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
    -keyout "$tmp/server.key" -out "$tmp/server.csr" \
    -subj "/O=Kavoni Simulated Service/CN=localhost" 2>/dev/null
  openssl x509 -req -in "$tmp/server.csr" -CA ca.pem -CAkey ca.key \
    -set_serial "0x$(openssl rand -hex 16)" -days 825 -sha256 \
    -extfile "$tmp/server.ext" -out "$tmp/server.pem" 2>/dev/null
  chmod 600 "$tmp/server.key"
  mv -f "$tmp/server.key" server.key
  mv -f "$tmp/server.pem" server.pem
  made="${made:+$made and }server certificate"
fi

if [ -n "$made" ]; then
  echo "make-certs: made the $made in $dir"
else
  echo "make-certs: certificates in $dir are up to date"
fi
