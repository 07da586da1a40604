#!/usr/bin/env bash
# PKCS#7 signed messages both ways with openssl, around the library's Wine tests (--p7-interop):
#   sign <folder>:  openssl signs with the test PKI's keys into <folder>/from-openssl/, each
#                   message <name>.p7 beside its <name>.content: md5-noattr (MD5, no attributes,
#                   as the library signs), sha1-attrs (SHA-1 with signed attributes), SHA-256 to
#                   SHA-512 with attributes, one without, one naming its signer by key identifier,
#                   two signers, a detached one, one streamed (open lengths), one in PEM text, one
#                   of 16 MB, and changed-content and changed-attrs (md5-noattr and sha1-attrs with
#                   a byte of their content changed afterwards, which openssl refuses);
#   check <folder>: each message the library made, <folder>/from-library/<name>.p7 over
#                   <name>.text with the token's certificate <name>.cer, verifies with
#                   `openssl cms -verify`; its content is the text and one zero byte; it holds
#                   MD5 as its only digest, exactly one certificate (<name>.cer), no lists and
#                   no signed or unsigned attributes; with a byte of its signature changed it
#                   no longer verifies.
# usage: signed-message-openssl.sh sign|check <folder>
set -euo pipefail
. "$(dirname "$0")/common.sh"
mode=$1 folder=$2

# signed <name> <signers, comma-separated> <openssl cms options...>: the content (unless there is
# one already) and openssl's message over it.
signed() {
    local name=$1 users=$2 out="$folder/from-openssl/$1" signers=()
    shift 2
    [ -e "$out.content" ] || printf 'signed by openssl as %s' "$name" >"$out.content"
    for user in ${users//,/ }; do signers+=(-signer "$pki/$user.crt.pem" -inkey "$pki/$user.key.pem"); done
    openssl cms -sign -binary -outform DER "${signers[@]}" -in "$out.content" -out "$out.p7" "$@"
}

# changed <name> <of>: message <of> with a byte of its content changed, which openssl refuses.
changed() {
    local of="$folder/from-openssl/$2"
    offset=$(grep -obUa "$(cat "$of.content")" "$of.p7" | head -n 1 | cut -d: -f1)
    cp "$(flipped "$of.p7" $((offset + 3)))" "$folder/from-openssl/$1.p7"
    cp "$of.content" "$folder/from-openssl/$1.content"
    verify "$folder/from-openssl/$1.p7" && fail "openssl verifies $1"
    return 0
}

verify() {  # <message> [openssl cms options...]: the content to $work/content
    local message=$1
    shift
    openssl cms -verify -inform DER -binary -noverify -in "$message" -out "$work/content" "$@" >/dev/null 2>&1
}

# The line after the first one that holds $1, in openssl's print of a message.
after() { awk -v label="$1" 'found { sub(/^ +/, ""); print; exit } index($0, label) { found = 1 }'; }

case "$mode" in
sign)
    rm -rf "$folder"
    mkdir -p "$folder/from-openssl" "$folder/from-library"
    signed md5-noattr user1024 -nodetach -md md5 -noattr
    signed sha1-attrs user2048 -nodetach -md sha1
    signed sha256-attrs user1024 -nodetach -md sha256
    signed sha384-keyid signer -nodetach -md sha384 -keyid
    signed sha512-attrs user2048 -nodetach -md sha512
    signed sha256-noattr user2048 -nodetach -md sha256 -noattr
    signed two-signers user1024,user2048 -nodetach -md sha256
    signed sha256-detached user1024 -md sha256
    signed sha256-streamed user2048 -nodetach -md sha256 -stream
    signed sha1-pem user1024 -nodetach -md sha1 -outform PEM
    head -c 16777216 /dev/zero | tr '\0' 'L' >"$folder/from-openssl/large.content"
    signed large user1024 -nodetach -md sha256
    changed changed-content md5-noattr
    changed changed-attrs sha1-attrs
    echo "openssl messages for the library: $(ls "$folder/from-openssl"/*.p7 | wc -l)"
    ;;
check)
    count=0
    for message in "$folder/from-library"/*.p7; do
        [ -e "$message" ] || continue
        name=${message%.p7}
        label=$(basename "$name")
        verify "$message" -signer "$work/signer.pem" || fail "$label does not verify"
        { cat "$name.text"; printf '\0'; } >"$work/expected"
        cmp -s "$work/content" "$work/expected" || fail "$label: the content is not the text and one zero byte"
        openssl x509 -in "$work/signer.pem" -outform DER | cmp -s - "$name.cer" || fail "$label: another signer"
        openssl cms -cmsout -print -inform DER -in "$message" >"$work/print"
        [ "$(grep -c 'd.certificate:' "$work/print")" = 1 ] || fail "$label: not exactly one certificate"
        [ "$(grep -c 'algorithm: md5 (1.2.840.113549.2.5)' "$work/print")" = 2 ] ||
            fail "$label: MD5 is not the digest of the message and of its signer"
        for part in crls: signedAttrs: unsignedAttrs:; do
            [ "$(after "$part" <"$work/print")" = "<ABSENT>" ] || fail "$label: $part present"
        done
        # The last bytes of the message are the signature's.
        ! verify "$(flipped "$message" $(( $(stat -c %s "$message") - 3 )))" || fail "$label: a changed signature verifies"
        echo "ok $label ($(stat -c %s "$message") bytes, content of $(stat -c %s "$work/content"))"
        count=$((count + 1))
    done
    [ "$count" -ge 3 ] || fail "only $count messages in $folder/from-library"
    echo "$count messages made by the library verify with $(openssl version | cut -d' ' -f1-2)"
    ;;
*)
    echo "usage: $0 sign|check <folder>" >&2
    exit 2
    ;;
esac
