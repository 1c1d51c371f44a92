#!/usr/bin/env bash
# Installs what building and testing the module needs on Debian 12, as root.
# Quick and silent when everything is already there.
set -euo pipefail

# llvm's llvm-dlltool makes the SDK's MSVC import library; clang (clang-cl) and
# lld (lld-link) build the package test's program in the MSVC ABI.
packages=(cmake make g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
          wine wine32:i386 xvfb xauth x11-utils googletest locales fp-utils
          fonts-ipafont-gothic fonts-wine imagemagick sox unzip
          llvm clang lld)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine runs in code page 932 only under a Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi

# Wine's loader is a 32-bit program. A kernel that runs 64-bit user code only
# refuses it ("Exec format error"), and every test would fail for that alone.
# (qemu's user-mode emulator is no way out: there each Wine process takes
# about a minute of CPU to start, and some stall for good.) Say so at once.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "install: this machine cannot run 32-bit programs, so Wine cannot start;" \
         "its kernel runs 64-bit user code only (see dmesg)" >&2
    exit 1
fi
