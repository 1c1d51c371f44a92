#!/usr/bin/env bash
# Tests the release package as its users get it: CPack makes it into a fresh
# folder, where it is unpacked.
#   package_test.sh contents BUILD SOURCE CPACK
#       the ZIP's name and files, the readme's encoding, the .reg file
#   package_test.sh sample BUILD SOURCE CPACK CC CXX
#       builds examples/*.c against the unpacked sdk only and runs them
#       under Wine beside sdk/bin/Chimora.dll
set -euo pipefail

mode=$1 build=$2 source=$3 cpack=$4
wine_run=("$source/tools/wine-run.sh" --prefix "$build/wineprefix")
key='HKEY_CURRENT_USER\Software\Quillet\TimeSignal'
status=0

fail() { echo "FAIL: $*" >&2; status=1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The module's version as major.minor with two digits, read from the fixed
# part of its version resource (signature FEEF04BD, then the structure
# version, then the file version's high word pair: minor, major).
module_version() {
    local at minor major
    at=$(LC_ALL=C grep -obUaP '\xBD\x04\xEF\xFE' "$1" | head -n 1 | cut -d: -f1)
    [ -n "$at" ] || { echo "none"; return; }
    read -r minor major < <(od -An -tu2 -j $((at + 8)) -N 4 "$1")
    printf '%d.%02d' "$major" "$minor"
}

version=$(module_version "$build/Chimora.vxm")
zip=$work/Chimora-$version-win32.zip
"$cpack" --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; echo "FAIL: cpack" >&2; exit 1; }
if [ ! -f "$zip" ]; then
    echo "FAIL: no $(basename "$zip") for the module's version $version; made:" \
         "$(cd "$work" && ls -- *.zip)" >&2
    exit 1
fi
unpacked=$work/unpacked
unzip -q "$zip" -d "$unpacked"

check_contents() {
    local want got readme text mentions
    want=$(printf '%s\n' Chimora.chm Chimora.vxm LICENSE.txt readme-ja.txt remove-settings.reg \
           sdk/bin/Chimora.dll sdk/include/chimora.h sdk/lib/Chimora.def sdk/lib/libChimora.dll.a \
           sounds/bell.wav sounds/signal.wav)
    got=$(unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort)
    [ "$got" = "$want" ] || fail "the ZIP holds"$'\n'"$got"$'\n'"instead of"$'\n'"$want"

    cmp -s "$unpacked/Chimora.vxm" "$build/Chimora.vxm" || fail "Chimora.vxm is not the built module"
    cmp -s "$unpacked/sdk/bin/Chimora.dll" "$build/Chimora.vxm" || fail "sdk/bin/Chimora.dll differs from Chimora.vxm"
    cmp -s "$unpacked/sdk/include/chimora.h" "$source/include/chimora.h" || fail "sdk/include/chimora.h is not the public header"
    cmp -s "$unpacked/sdk/lib/Chimora.def" "$source/exports" || fail "sdk/lib/Chimora.def is not the export list"
    # The import library names the file it loads.
    LC_ALL=C grep -qaF 'Chimora.dll' "$unpacked/sdk/lib/libChimora.dll.a" \
        || fail "libChimora.dll.a does not name Chimora.dll"

    readme=$unpacked/readme-ja.txt
    if ! text=$(iconv -f CP932 -t UTF-8 "$readme"); then
        fail "readme-ja.txt does not decode as code page 932"
    fi
    if LC_ALL=C grep -qv $'\r$' "$readme"; then fail "readme-ja.txt has a line without CRLF"; fi
    [ "$(tail -c 2 "$readme" | od -An -tx1 | tr -d ' ')" = 0d0a ] || fail "readme-ja.txt does not end in CRLF"
    grep -qF '時報モジュール' <<<"$text" || fail "readme-ja.txt holds no Japanese title"
    grep -qF "Version $version" <<<"$text" || fail "readme-ja.txt does not state Version $version"
    # The settings key is named, and every mention of it is the key exactly.
    mentions=$(tr -d '\r' <<<"$text" | grep -oE '[^[:space:]]*(Quillet|TimeSignal)[^[:space:]]*' || true)
    [ -n "$mentions" ] || fail "readme-ja.txt does not name $key"
    if grep -vqxF "$key" <<<"$mentions"; then
        fail "readme-ja.txt names the key as"$'\n'"$mentions"$'\n'"instead of $key"
    fi

    # The .reg file, imported the way a double click does, removes the key.
    printf 'REGEDIT4\r\n\r\n[-%s]\r\n\r\n' "$key" | cmp -s - "$unpacked/remove-settings.reg" \
        || fail "remove-settings.reg is not the REGEDIT4 file that deletes $key"
    "${wine_run[@]}" reg add "$key" /v Enable /t REG_DWORD /d 1 /f >/dev/null
    "${wine_run[@]}" reg query "$key" >/dev/null || fail "could not make $key to remove"
    "${wine_run[@]}" regedit /s "$(winepath_of "$unpacked/remove-settings.reg")" || fail "regedit failed"
    if "${wine_run[@]}" reg query "$key" >/dev/null 2>&1; then fail "remove-settings.reg left $key in place"; fi
}

# A Unix path as Wine's Z: drive shows it.
winepath_of() { printf 'Z:%s' "${1//\//\\}"; }

check_sample() {
    local cc=$1 cxx=$2 sdk=$unpacked/sdk example exe row name decl call
    [ -n "$(ls "$source"/examples/*.c 2>/dev/null)" ] || { fail "no examples"; return; }
    for example in "$source"/examples/*.c; do
        exe=$sdk/bin/$(basename "${example%.c}").exe
        echo "== $(basename "$example")"
        "$cc" -Wall -Wextra -Werror -static-libgcc -I"$sdk/include" "$example" \
              -L"$sdk/lib" -lChimora -o "$exe" || { fail "$example does not build as C"; continue; }
        "$cxx" -x c++ -Wall -Wextra -Werror -static-libgcc -static-libstdc++ -I"$sdk/include" "$example" \
              -L"$sdk/lib" -lChimora -o "$work/as-cxx.exe" || fail "$example does not build as C++"
        "${wine_run[@]}" "$exe" || fail "$(basename "$exe") reports failed checks"
    done

    # Only a declaration of the export's own name, convention and argument
    # size links: the first row must link, every other row must not.
    local -a rows=(
        'right|int WINAPI GetPathName(const char*, char*);|GetPathName(p, out)'
        'cdecl instead of stdcall|int __cdecl GetPathName(const char*, char*);|GetPathName(p, out)'
        'argument size|int WINAPI GetPathName(const char*);|GetPathName(p)'
        'name|int WINAPI GetPathNames(const char*, char*);|GetPathNames(p, out)'
        'stdcall instead of cdecl|void WINAPI _SplitString(const char*, int, int, int, char*);|_SplitString(p, 0, 1, 1, out)'
    )
    for row in "${rows[@]}"; do
        IFS='|' read -r name decl call <<<"$row"
        printf '#include <windows.h>\n%s\nint main(void) { static char p[] = "a", out[8]; %s; return 0; }\n' \
            "$decl" "$call" >"$work/caller.c"
        if "$cc" "$work/caller.c" -L"$sdk/lib" -lChimora -o "$work/caller.exe" 2>"$work/caller.log"; then
            [ "$name" = right ] || fail "a declaration with the wrong $name links: $decl"
        else
            [ "$name" != right ] || { cat "$work/caller.log"; fail "the right declaration does not link: $decl"; }
        fi
    done
}

case $mode in
    contents) check_contents ;;
    sample) check_sample "$5" "$6" ;;
    *) echo "usage: see the head of $0" >&2; exit 2 ;;
esac
[ $status -eq 0 ] && echo "package $mode: all checks passed ($(basename "$zip"))"
exit $status
