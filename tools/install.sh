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

# Wine's loader is a 32-bit program. Some kernels run 64-bit user code only
# (dmesg: "IA-32 emulation off") and refuse it with "Exec format error"; there
# qemu's user-mode emulator runs it instead, registered with binfmt_misc. It
# must be qemu 8 or later (Debian 12's backports have 10): with 7.2 each Wine
# process spends about a minute finding free address space, and some stall.
# Adds bookworm-backports from the mirror that already serves bookworm in this
# machine's own apt configuration (deb822 debian.sources or sources.list).
add_backports() {
    local uri
    uri=$(awk 'function stanza_end() { if (hit && u != "") { print u; found = 1; exit } u = ""; hit = 0 }
               FNR == 1 || /^[ \t]*$/ { stanza_end() }
               tolower($1) == "uris:" { u = $2 }
               tolower($1) == "suites:" { for (i = 2; i <= NF; i++) if ($i == "bookworm") hit = 1 }
               END { if (!found && hit && u != "") print u }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
    [ -n "$uri" ] || uri=$(awk '$1 == "deb" && / bookworm / { sub(/\[[^]]*\]/, ""); print $2; exit }' \
                           /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true)
    if [ -z "$uri" ]; then
        echo "install: no apt source serves bookworm here, so bookworm-backports cannot be added" >&2
        exit 1
    fi
    echo "deb $uri bookworm-backports main" > /etc/apt/sources.list.d/bookworm-backports.list
}

binfmt=/proc/sys/fs/binfmt_misc
emulator=/usr/bin/qemu-i386-static
[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
# An old registration pins the emulator binary it was made with: start afresh.
[ -e "$binfmt/qemu-i386" ] && echo -1 > "$binfmt/qemu-i386"
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    major=$("$emulator" --version 2>/dev/null | sed -n '1s/.*version \([0-9]*\).*/\1/p' || true)
    if [ "${major:-0}" -lt 8 ]; then
        export DEBIAN_FRONTEND=noninteractive
        grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d ||
            add_backports
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user-static >/dev/null
    fi
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$emulator"':FOC' \
        > "$binfmt/register"
    if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
        echo "install: this machine cannot run 32-bit programs, so Wine cannot start" >&2
        exit 1
    fi
fi
