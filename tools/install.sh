#!/usr/bin/env bash
# Installs what building and testing the module needs on Debian 12, as root.
# Quick and silent when everything is already there.
set -euo pipefail

packages=(cmake make g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
          wine wine32:i386 xvfb xauth x11-utils googletest locales fp-utils
          fonts-ipafont-gothic fonts-wine imagemagick sox unzip)

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

# Some kernels run 64-bit user code only (an i386 execve fails with "Exec
# format error"), so Wine's 32-bit loader cannot start. There, i386 programs
# run through qemu's user-mode emulator, registered with binfmt_misc.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q 'install ok installed'; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            qemu-user-static >/dev/null
    fi
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt
    if [ ! -e $binfmt/qemu-i386 ]; then
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:FOC' \
            > $binfmt/register
    fi
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 \
        || { echo "install: this machine cannot run 32-bit programs" >&2; exit 1; }
fi
