#!/usr/bin/env bash
# openssl's verdict on every certification path case (tests/fixtures/pki/path-cases/cases.txt),
# for the library's Wine test to hold its own answers against (PathCheck, --path-interop):
# <folder>/openssl.txt, one line per case: name, openssl's answer as the library's result code,
# openssl's error number and text, and the path openssl built (common names, certificate first,
# "|" between them).
# usage: cert-path-openssl.sh <folder>
set -euo pipefail
. "$(dirname "$0")/common.sh"
folder=$1
cases="$pki/path-cases"
mkdir -p "$folder"

# openssl's errors as the library's result codes.
declare -A code=(
    [0]=0
    [2]=-507 [7]=-507 [18]=-507 [19]=-507 [20]=-507 [21]=-507
    [9]=-504 [10]=-505
    [23]=-508
    [3]=-509 [8]=-509 [33]=-509 [35]=-509 [36]=-509 [44]=-509 [54]=-509
    [11]=-510 [12]=-510
    [24]=-511 [79]=-511 [25]=-511 [32]=-511 [34]=-511 [47]=-511 [48]=-511 [49]=-511 [51]=-511 [52]=-511 [53]=-511
)

trim() { local text="$*"; text="${text#"${text%%[![:space:]]*}"}"; echo "${text%"${text##*[![:space:]]}"}"; }

# pem_of <names>: the PEM files of a comma-separated list ("-": none), concatenated to stdout.
pem_of() {
    [ "$1" = - ] && return 0
    local name
    for name in ${1//,/ }; do
        case "$name" in
        *.crl) cat "$cases/$name.pem" ;;
        *) cat "$cases/$name.crt.pem" ;;
        esac
    done
}

count=0
: > "$folder/openssl.txt"
while IFS='|' read -r name certificate intermediates roots authorities lists flags checks _; do
    name=$(trim "$name")
    [ -z "$name" ] || [ "${name:0:1}" = "#" ] && continue
    certificate=$(trim "$certificate") intermediates=$(trim "$intermediates") roots=$(trim "$roots")
    authorities=$(trim "$authorities") lists=$(trim "$lists") checks=$(trim "$checks")

    pem_of "$roots" | awk '/BEGIN CERTIFICATE/,/END CERTIFICATE/' > "$work/anchors.pem"
    { pem_of "$intermediates"; pem_of "$authorities"; } | awk '/BEGIN CERTIFICATE/,/END CERTIFICATE/' \
        > "$work/untrusted.pem"
    { pem_of "$lists"; pem_of "$roots"; pem_of "$authorities"; } | awk '/BEGIN X509 CRL/,/END X509 CRL/' \
        > "$work/lists.pem"
    options=(-CAfile "$work/anchors.pem" -show_chain)
    [ -s "$work/untrusted.pem" ] && options+=(-untrusted "$work/untrusted.pem")
    [ -s "$work/lists.pem" ] && options+=(-CRLfile "$work/lists.pem")
    case "$checks" in leaf*) options+=(-crl_check) ;; all*) options+=(-crl_check_all) ;; esac
    [[ "$checks" == *+extended ]] && options+=(-extended_crl)

    output=$(openssl verify "${options[@]}" "$cases/$certificate.crt.pem" 2>&1 || true)
    if grep -q ": OK$" <<<"$output"; then
        error=0 text=ok
    else
        error=$(grep -o -m1 "^error [0-9]*" <<<"$output" | cut -d' ' -f2)
        text=$(grep -m1 "^error [0-9]* at" <<<"$output" | sed 's/^error [0-9]* at [0-9]* depth lookup: //')
        [ -n "$error" ] || fail "$name: no verdict from openssl: $output"
    fi
    [ -n "${code[$error]:-}" ] || code[$error]="?"
    chain=$(grep "^depth=" <<<"$output" | sed 's/.*CN = //; s/ (untrusted)$//' | paste -sd'|' || true)
    printf '%s\t%s\t%s\t%s\t%s\n' "$name" "${code[$error]}" "$error" "$text" "$chain" >> "$folder/openssl.txt"
    count=$((count + 1))
done < "$cases/cases.txt"
echo "openssl's verdicts on $count path cases in $folder/openssl.txt"
