#!/usr/bin/env bash
# The demo: builds the win64 editions, provisions a software token in a Wine prefix of its own
# and calls the library through the command-line client: the user's certificate from the token
# and its fields, random bytes from the system provider and from the token's generator, a SHA-1
# digest, a failure in the token edition's user log, a raw signature with the token's key and
# its verification, a PKCS#7 signed message checked by openssl and by the library, the
# certificate checks on a valid, an expired and a revoked certificate, and the picker edition's
# selection dialog on the virtual display, pictured.
set -euo pipefail
cd "$(dirname "$0")/.."
# Wine wants a display: the demo runs on a virtual one.
if [ -z "${DISPLAY:-}" ] && [ -z "${VEMO_DEMO_ON_XVFB:-}" ]; then
    scripts/install-deps.sh
    VEMO_DEMO_ON_XVFB=1 exec xvfb-run -a "$0" "$@"
fi
root=$PWD
build=${VEMO_BUILD_DIR:-build}
jobs=${VEMO_JOBS:-$(nproc)}

scripts/install-deps.sh
echo "== Building the win64 editions"
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target win64 -j "$jobs" >/dev/null

demo="$root/$build/demo"
prefix="$demo/wineprefix"
echo "== Making a Wine prefix for the demo ($prefix)"
tests/wine/prefix.sh setup "$prefix" >/dev/null
trap 'tests/wine/prefix.sh shutdown "$prefix"' EXIT

win64="$root/$build/win64"
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }
wine_run() { (cd "$demo" && "$root/tests/wine/run.sh" "$prefix" "$@"); }
# vemo <edition> <command...>: the client against one edition's CVemoDll_C.dll.
vemo() {
    local edition=$1
    shift
    echo "\$ vemo --dll editions\\$edition\\CVemoDll_C.dll $*"
    wine_run "$win64/tools/vemo.exe" --dll "$(windows_path "$win64/editions/$edition/CVemoDll_C.dll")" "$@" || true
}
tokenctl() { echo "\$ tokenctl $*"; wine_run "$win64/token/provision/tokenctl.exe" "$@"; }
default_provider_key='HKLM\SOFTWARE\Microsoft\Cryptography\Defaults\Provider Types\Type 001'

export VEMO_TOKEN_STORE='C:\vemo-demo\token.vtk'
echo
echo "== A software token with one user's key and certificate"
tokenctl create
tokenctl add-pseudo '*default*'
tokenctl add-pfx "$(windows_path "$root/tests/fixtures/pki/user1024.pfx")" --password test
tokenctl list

# --- The user's certificate from the token, and what is in it -------------------------------
echo
echo "== The user's certificate from the token (selector 4), and its fields"
vemo token getcert 4 --out token-user.pem
vemo token certinfo token-user.pem 1 2 3 4 7 8 36
echo
echo "== A test root's fields, its dates in local time 8 hours east of UTC (TZ=CST-8)"
(export TZ=CST-8; vemo token certinfo "$(windows_path "$root/tests/fixtures/pki/root-a.crt.pem")" 3 5 8 41 42)
rm -f "$demo/token-user.pem"
# ----------------------------------------------------------------------------------------------

echo
echo "== Random bytes and a SHA-1 digest through the token edition"
vemo token random 16
vemo token hash abc

echo
echo "== The default provider made unavailable: the token edition falls back to the token"
original=$(wine_run reg query "$default_provider_key" /v Name | tr -d '\r' |
    sed -n 's/.*REG_SZ *//p')
wine_run reg add "$default_provider_key" /v Name /d "No Such Provider" /f >/dev/null
vemo token random 16
echo "   (the picker edition has no token to fall back on)"
vemo picker random 16
echo
echo "== The token's generator failing: its code is returned and written to the user log"
tokenctl fail UTGenRandomNumber 0x0E000099
vemo token random 16
wine_run reg add "$default_provider_key" /v Name /d "$original" /f >/dev/null
echo "\$ cat $(cd "$demo" && ls CVemoDll_C*_usr.log)"
cat "$demo"/CVemoDll_C*_usr.log
rm -f "$demo"/CVemoDll_C*_usr.log

echo
echo "== A raw signature with the token's key, and its verification with the user's certificate"
tokenctl clear-faults
tokenctl register-provider "$(windows_path "$win64/token/provider/SoftTokenCsp.dll")"
vemo token sign "pay 100 to Alice" --out payment.sig
certificate=$(windows_path "$root/tests/fixtures/pki/user1024.crt.pem")
vemo token verify "$certificate" "pay 100 to Alice" payment.sig
echo "   (the same record over other data)"
vemo token verify "$certificate" "pay 900 to Alice" payment.sig
rm -f "$demo/payment.sig" "$demo"/CVemoDll_C*_usr.log

# --- A PKCS#7 signed message with the token's key, read by openssl and by the library --------
echo
echo "== A PKCS#7 signed message with the token's key, verified by openssl and by the library"
vemo token sign-p7 "pay 100 to Alice" --out payment.p7
echo "\$ openssl cms -verify -inform DER -binary -noverify -in payment.p7 | od -An -c"
openssl cms -verify -inform DER -binary -noverify -in "$demo/payment.p7" | od -An -c
vemo token verify-p7 payment.p7
rm -f "$demo/payment.p7"
# ----------------------------------------------------------------------------------------------
tokenctl remove

echo
echo "== Certificate checks: a valid, an expired and a revoked certificate"
# The test PKI's root A made trusted in the demo prefix; its files beside the demo's programs.
cp tests/fixtures/pki/{root-a.crt.pem,root-a.crl.pem,user1024.crt.pem,expired.crt.pem,revoked.crt.pem} "$demo/"
tokenctl store-add ROOT root-a.crt.pem
vemo token verifycert user1024.crt.pem
vemo token verifycert expired.crt.pem
echo "   (a revoked certificate is still within its period and issued by the root: its list tells)"
vemo token verifycert revoked.crt.pem
vemo token verifycrl revoked.crt.pem root-a.crl.pem
vemo token verifycrl user1024.crt.pem root-a.crl.pem
tokenctl store-remove ROOT root-a.crt.pem
rm -f "$demo"/CVemoDll_C*_usr.log

# --- The picker edition's selection dialog, on the virtual display ---------------------------
echo
echo "== The picker edition: the user picks a certificate in its selection dialog"
cp tests/fixtures/pki/{user1024.crt.pem,signer.crt.pem,plain.crt.pem} "$demo/"
tokenctl store-add MY user1024.crt.pem
tokenctl store-add MY signer.crt.pem
tokenctl store-add AddressBook plain.crt.pem
# vemo waits in the dialog while a stand-in for the person, on the X side, looks at the window,
# takes its picture and clicks its OK button.
echo "\$ vemo --dll editions\\picker\\CVemoDll_C.dll getcert x"
wine_run "$win64/tools/vemo.exe" --dll "$(windows_path "$win64/editions/picker/CVemoDll_C.dll")" getcert x \
    >"$demo/getcert.out" 2>&1 &
vemo_pid=$!
dialog=""
for _ in $(seq 1 100); do
    dialog=$(xdotool search --name '^Dialog$' 2>/dev/null | head -n 1) && [ -n "$dialog" ] && break
    sleep 0.2
done
if [ -n "$dialog" ]; then
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$dialog")"  # X, Y, WIDTH, HEIGHT
    import -window root -crop "$((WIDTH + 32))x$((HEIGHT + 32))+$((X - 16))+$((Y - 16))" +repage \
        "$demo/selection-dialog.png"
    # OK: 7,77 (50 x 14) of the dialog's 187 x 98 units, under the title bar.
    xdotool mousemove $((X + WIDTH * 32 / 187)) $((Y + HEIGHT - (HEIGHT - 25) * 14 / 98 - 3)) click 1
fi
wait "$vemo_pid" || true
cat "$demo/getcert.out"
[ -n "$dialog" ] && echo "   (the dialog as the user saw it: $build/demo/selection-dialog.png)"
tokenctl store-remove AddressBook plain.crt.pem
tokenctl store-remove MY signer.crt.pem
tokenctl store-remove MY user1024.crt.pem
rm -f "$demo"/{getcert.out,user1024.crt.pem,signer.crt.pem,plain.crt.pem}
# ----------------------------------------------------------------------------------------------
