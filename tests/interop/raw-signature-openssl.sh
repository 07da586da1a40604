#!/usr/bin/env bash
# The raw signatures both ways with openssl, around the library's Wine tests (--raw-interop):
#   sign <folder>:  openssl signs (SHA-1, PKCS#1 v1.5) a text with the test PKI's 1024- and
#                   2048-bit keys, and with keys made here: 2400 bits (the largest whose
#                   signature, 300 bytes, a record carries), exponent 3, 3072 and 4096 bits, into
#                   <folder>/from-openssl/<name>.sig (most significant byte first) beside
#                   <name>.data and the signer's key data in every form the library takes:
#                   <name>.crt.pem, .crt.b64 (one line), .crt.der, .pub.b64, .pub.der; for the
#                   keys of 1024 to 4096 bits also with every digest, <name>.<digest>.sig, and
#                   the private key, <name>.key.pem, for the software token;
#   check <folder>: each record the library made, <folder>/from-library/<user>.record over
#                   <user>.data, carries byte for byte what `openssl dgst -sha1 -sign` makes
#                   with that user's key (signatures of this scheme are deterministic), and each
#                   signature <name>.<digest>.sig it made over <name>.data verifies with
#                   `openssl dgst -<digest> -verify` (and not once a byte is changed); each
#                   message <name>.<digest>.<form>.cms (der, der-detached, pem, pem-detached)
#                   verifies with `openssl cms -verify`, gives back <name>.data and names its
#                   digest and a signing time.
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

digests="sha1 sha256 sha384 sha512"

# every_digest <name> <private key>: the data signed with every digest, and the key.
every_digest() {
    local out="$folder/from-openssl/$1"
    openssl pkey -in "$2" -out "$out.key.pem"
    for digest in $digests; do
        openssl dgst "-$digest" -sign "$2" -out "$out.$digest.sig" "$out.data"
    done
}

case "$mode" in
sign)
    rm -rf "$folder"
    mkdir -p "$folder/from-openssl" "$folder/from-library"
    for user in user1024 user2048; do
        key_data "$user" "$pki/$user.key.pem" "$pki/$user.crt.pem"
        signed "$user" "$pki/$user.key.pem"
        every_digest "$user" "$pki/$user.key.pem"
    done
    # Keys the test PKI does not have: 2400, 3072 and 4096 bits, and the public exponent 3.
    for spec in "rsa2400:2400:65537" "rsa2048-e3:2048:3" "rsa3072:3072:65537" "rsa4096:4096:65537"; do
        IFS=: read -r name bits exponent <<<"$spec"
        openssl genpkey -algorithm RSA -pkeyopt "rsa_keygen_bits:$bits" -pkeyopt "rsa_keygen_pubexp:$exponent" \
            -out "$work/$name.key" 2>/dev/null
        openssl req -x509 -new -key "$work/$name.key" -subj "/CN=Vemo interop $name" -days 3650 \
            -out "$work/$name.crt" 2>/dev/null
        key_data "$name" "$work/$name.key" "$work/$name.crt"
        signed "$name" "$work/$name.key"
        case "$name" in rsa3072 | rsa4096) every_digest "$name" "$work/$name.key" ;; esac
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
    signatures=0
    for signature in "$folder/from-library"/*.sha*.sig; do
        [ -e "$signature" ] || continue
        file=$(basename "$signature" .sig) name=${file%.*} digest=${file##*.}
        openssl x509 -in "$folder/from-openssl/$name.crt.pem" -pubkey -noout >"$work/key.pem"
        data="$folder/from-openssl/$name.data"
        openssl dgst "-$digest" -verify "$work/key.pem" -signature "$signature" "$data" >/dev/null ||
            fail "$name $digest: openssl does not verify the library's signature"
        ! openssl dgst "-$digest" -verify "$work/key.pem" -signature "$(flipped "$signature" 9)" "$data" \
            >/dev/null 2>&1 || fail "$name $digest: a changed signature verified"
        signatures=$((signatures + 1))
    done
    [ "$signatures" -ge 16 ] || fail "only $signatures signatures of C_VEMO_SignData in $folder/from-library"
    echo "$signatures signatures made by C_VEMO_SignData (SHA-1 to SHA-512, 1024 to 4096 bits) verify with openssl"
    messages=0
    for message in "$folder/from-library"/*.cms; do
        [ -e "$message" ] || continue
        file=$(basename "$message" .cms) form=${file##*.} rest=${file%.*}
        name=${rest%.*} digest=${rest##*.} data="$folder/from-openssl/$name.data"
        options=(-inform "$(case $form in pem*) echo PEM ;; *) echo DER ;; esac)")
        case "$form" in *-detached) options+=(-binary -content "$data") ;; esac
        openssl cms -verify -noverify "${options[@]}" -in "$message" -out "$work/content" >/dev/null 2>&1 ||
            fail "$name $digest $form: openssl does not verify the library's message"
        cmp -s "$work/content" "$data" || fail "$name $digest $form: the content is not the data"
        openssl cms -cmsout -print "${options[@]:0:2}" -in "$message" >"$work/print"
        grep -q "algorithm: $digest " "$work/print" || fail "$name $digest $form: another digest"
        grep -q "object: signingTime" "$work/print" || fail "$name $digest $form: no signing time"
        messages=$((messages + 1))
    done
    [ "$messages" -ge 64 ] || fail "only $messages messages of C_VEMO_SignMessage in $folder/from-library"
    echo "$messages messages made by C_VEMO_SignMessage (SHA-1 to SHA-512, 1024 to 4096 bits, attached and" \
        "detached, DER and PEM) verify with openssl cms -verify"
    ;;
*)
    echo "usage: $0 sign|check <folder>" >&2
    exit 2
    ;;
esac
