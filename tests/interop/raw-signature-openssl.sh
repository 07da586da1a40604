#!/usr/bin/env bash
# The raw signature both ways with openssl, around the library's Wine tests (--raw-interop):
#   sign <folder>:  openssl signs (SHA-1, PKCS#1 v1.5) a text with the test PKI's 1024- and
#                   2048-bit keys, and with keys made here: 2400 bits (the largest whose
#                   signature, 300 bytes, a record carries), exponent 3, and 4096 bits, into
#                   <folder>/from-openssl/<name>.sig (most significant byte first) beside
#                   <name>.data and the signer's key data in every form the library takes:
#                   <name>.crt.pem, .crt.b64 (one line), .crt.der, .pub.b64, .pub.der;
#   check <folder>: each record the library made, <folder>/from-library/<user>.record over
#                   <user>.data, carries byte for byte what `openssl dgst -sha1 -sign` makes
#                   with that user's key (signatures of this scheme are deterministic).
# usage: raw-signature-openssl.sh sign|check <folder>
set -euo pipefail
. "$(dirname "$0")/common.sh"
mode=$1 folder=$2

# key_data <name> <private key> <certificate PEM>: the signer's key data in every form.
key_data() {
    local out="$folder/from-openssl/$1"
    cp "$3" "$out.crt.pem"
    openssl x509 -in "$3" -outform DER -out "$out.crt.der"
    base64 -w0 "$out.crt.der" >"$out.crt.b64"
    openssl rsa -in "$2" -RSAPublicKey_out -outform DER -out "$out.pub.der" 2>/dev/null
    base64 -w0 "$out.pub.der" >"$out.pub.b64"
}

# signed <name> <private key>: the data and openssl's signature of it.
signed() {
    local out="$folder/from-openssl/$1"
    printf 'signed by openssl with %s' "$1" >"$out.data"
    openssl dgst -sha1 -sign "$2" -out "$out.sig" "$out.data"
}

case "$mode" in
sign)
    rm -rf "$folder"
    mkdir -p "$folder/from-openssl" "$folder/from-library"
    for user in user1024 user2048; do
        key_data "$user" "$pki/$user.key.pem" "$pki/$user.crt.pem"
        signed "$user" "$pki/$user.key.pem"
    done
    # Keys the test PKI does not have: 2400 and 4096 bits, and the public exponent 3.
    for spec in "rsa2400:2400:65537" "rsa2048-e3:2048:3" "rsa4096:4096:65537"; do
        IFS=: read -r name bits exponent <<<"$spec"
        openssl genpkey -algorithm RSA -pkeyopt "rsa_keygen_bits:$bits" -pkeyopt "rsa_keygen_pubexp:$exponent" \
            -out "$work/$name.key" 2>/dev/null
        openssl req -x509 -new -key "$work/$name.key" -subj "/CN=Vemo interop $name" -days 3650 \
            -out "$work/$name.crt" 2>/dev/null
        key_data "$name" "$work/$name.key" "$work/$name.crt"
        signed "$name" "$work/$name.key"
    done
    echo "openssl signatures for the library: $(ls "$folder/from-openssl"/*.sig | wc -l)"
    ;;
check)
    count=0
    for record in "$folder/from-library"/*.record; do
        [ -e "$record" ] || continue
        user=$(basename "$record" .record)
        length=$(od -An -tu4 -j60 -N4 "$record" | tr -d ' ')
        [ "$(head -c 7 "$record")" = QUORVEL ] || fail "$user: no marker"
        tail -c +65 "$record" | head -c "$length" >"$folder/$user.value"
        openssl dgst -sha1 -sign "$pki/$user.key.pem" -out "$folder/$user.openssl" "$folder/from-library/$user.data"
        cmp -s "$folder/$user.value" "$folder/$user.openssl" ||
            fail "$user: the record's $length-byte signature is not openssl's"
        echo "ok $user: the record carries openssl's signature ($length bytes)"
        count=$((count + 1))
    done
    [ "$count" -ge 2 ] || fail "only $count records in $folder/from-library"
    echo "$count records made by the library carry openssl's signatures byte for byte"
    ;;
*)
    echo "usage: $0 sign|check <folder>" >&2
    exit 2
    ;;
esac
