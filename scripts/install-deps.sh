#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; installs only what is
# missing, so it is quick and safe to run again.
set -euo pipefail

packages=(
    cmake make g++ clang python3            # native build, test drivers
    unzip                                   # the release packages, as a client developer opens them
    libclang-rt-14-dev                      # libFuzzer and the sanitizer runtimes of clang
    googletest                              # GoogleTest sources, built natively and for mingw
    libbenchmark-dev libssl-dev openssl     # benchmarks beside OpenSSL, test PKI, interop
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64   # win32 and win64 builds
    llvm lld                                # MSVC-style import libraries and their link check
    wine64 xvfb xauth                       # the win64 tests run under Wine, on a virtual display
    fonts-wine fonts-wqy-microhei           # the dialogs' glyphs: Wine's own, and Chinese
    imagemagick xdotool                     # screenshots of the display; the demo's person at it
    qemu-user-static wine32:i386            # the win32 tests: 32-bit Wine under qemu-user
    osslsigncode                            # Authenticode signatures of the packages' binaries
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# wine32 is an i386 package: the architecture must be known before the package lists are read.
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
