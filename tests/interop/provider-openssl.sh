#!/usr/bin/env bash
# Checks with openssl what the token's provider signed under Wine (the provider tests leave the
# files, see tests/wine/support/provider_interop.h):
#   <name>.sig  a raw signature, most significant byte first, of SHA-1 over <name>.data:
#               PKCS#1 v1.5 with `openssl pkeyutl -verify` against the key of <name>.cer;
#   <name>.p7   a PKCS#7 message made by CryptSignMessage through the provider: verified with
#               `openssl cms -verify`, its content must equal <name>.content.
# Each check is also made to fail once on purpose (a changed byte), so that a check that
# accepts anything is caught.
# usage: provider-openssl.sh <folder>
set -euo pipefail
. "$(dirname "$0")/common.sh"
folder=$1

verify_raw() {  # <signature> <data> <certificate>
    openssl x509 -inform DER -in "$3" -pubkey -noout >"$work/key.pem"
    openssl dgst -sha1 -binary "$2" >"$work/digest"
    openssl pkeyutl -verify -pubin -inkey "$work/key.pem" -pkeyopt digest:sha1 \
        -in "$work/digest" -sigfile "$1" >/dev/null 2>&1
}

verify_message() {  # <message> <expected content>
    openssl cms -verify -binary -noverify -inform DER -in "$1" -out "$work/content" >/dev/null 2>&1 &&
        cmp -s "$work/content" "$2"
}

raw=0
for signature in "$folder"/*.sig; do
    [ -e "$signature" ] || continue
    name=${signature%.sig}
    verify_raw "$signature" "$name.data" "$name.cer" || fail "raw signature $(basename "$name")"
    ! verify_raw "$(flipped "$signature" 17)" "$name.data" "$name.cer" ||
        fail "a changed raw signature $(basename "$name") verified"
    echo "ok raw signature $(basename "$name") ($(stat -c %s "$signature") bytes)"
    raw=$((raw + 1))
done

messages=0
for message in "$folder"/*.p7; do
    [ -e "$message" ] || continue
    name=${message%.p7}
    verify_message "$message" "$name.content" || fail "PKCS#7 message $(basename "$name")"
    # The last bytes of the message are the signature's.
    ! verify_message "$(flipped "$message" $(( $(stat -c %s "$message") - 3 )))" "$name.content" ||
        fail "a changed PKCS#7 message $(basename "$name") verified"
    echo "ok PKCS#7 message $(basename "$name") ($(stat -c %s "$message") bytes)"
    messages=$((messages + 1))
done

[ "$raw" -gt 0 ] || fail "no raw signatures in $folder"
[ "$messages" -gt 0 ] || fail "no PKCS#7 messages in $folder"
echo "$raw raw signatures and $messages PKCS#7 messages verified with $(openssl version | cut -d' ' -f1-2)"
