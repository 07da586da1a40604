#!/usr/bin/env bash
# Makes the encoding toolkit's test fixtures with openssl. The output is committed, so the tests
# do not depend on this script or on the day they run; run it again only to replace them.
#   cert-1024.pem, cert-2048.pem   self-signed certificates with 1024- and 2048-bit keys
#   crl.pem                        a revocation list issued by the 2048-bit certificate
#   rsa-1024.der, rsa-2048.der     the two RSAPublicKey encodings (140 and 270 bytes)
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for bits in 1024 2048; do
    openssl req -x509 -newkey rsa:$bits -nodes -keyout "$work/key-$bits.pem" \
        -subj "/C=CN/O=Codec Fixtures/CN=Test $bits" -days 7300 -out "cert-$bits.pem" 2>/dev/null
    openssl rsa -in "$work/key-$bits.pem" -RSAPublicKey_out -outform DER -out "rsa-$bits.der" 2>/dev/null
done

touch "$work/index.txt"
cat > "$work/ca.cnf" <<CNF
[ca]
default_ca = fixtures
[fixtures]
database = $work/index.txt
default_md = sha256
default_crl_days = 7300
CNF
openssl ca -config "$work/ca.cnf" -gencrl -keyfile "$work/key-2048.pem" -cert cert-2048.pem \
    -out crl.pem 2>/dev/null
