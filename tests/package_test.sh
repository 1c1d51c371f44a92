#!/usr/bin/env bash
# Tests the release package as its users get it: CPack makes it into a fresh
# folder, where it is unpacked.
#   package_test.sh contents BUILD SOURCE CPACK
#       the ZIP's name and files, the readme's encoding, the .reg file; the
#       user's texts and sounds (see check_user_files)
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

# --- What a user reads and hears: the texts, the sounds, the readme's labels.

# The sounds the readme states, with their lengths in samples at 22050 Hz.
sound_table=(
    'sounds/signal.wav 33075'
    'sounds/bell.wav 22050'
)

# Texts as Windows shows them: code page 932 decoded, then encoded as EUC-JP,
# which holds JIS X 0208 in two bytes and anything else (JIS X 0212, where
# the code page's tilde lands) behind the 0x8F prefix or not at all. So NEC
# and IBM extension characters and the wave dash / full-width tilde fail.
check_jis_text() {
    local name=$1 file=$2 euc
    if ! euc=$(iconv -f CP932 -t UTF-8 "$file" | iconv -f UTF-8 -t EUC-JP | od -An -tx1 -v); then
        fail "$name: a character outside JIS X 0208 (or not code page 932)"
    elif grep -qw 8f <<<"$euc"; then
        fail "$name: a character outside JIS X 0208:"$'\n'"$(iconv -f CP932 -t UTF-8 "$file" \
             | grep -n '[～〜∥－￠￡￢]' || echo '(see the text)')"
    fi
}

# Lines end in CRLF, the last one too.
check_crlf() {
    local name=$1 file=$2
    if LC_ALL=C grep -qv $'\r$' "$file"; then fail "$name has a line without CRLF"; fi
    [ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' ')" = 0d0a ] || fail "$name does not end in CRLF"
}

# The labels the readme may quote in 「」: every text of the dialog and of
# the string table as the resources spell them (without the "(&X)" of a
# keyboard shortcut or a closing colon), the interval list's rows, and the
# few names of Windows' own windows and buttons that the steps use.
readme_labels() {
    sed -n 's/^ *\(CONTROL\|CAPTION\|IDS_[A-Z_]*,\) *"\([^"]*\)".*/\2/p' "$source/resources/chimora.rc" \
        | sed 's/(&.)//; s/:$//'
    grep -oP '^    \{ "\K[^"]+(?=", +-?[0-9]+ \},)' "$source/dialog/settings_dialog.cpp"
    printf '%s\n' プロパティ 全般 許可する ブロックの解除 OK 開く 音量ミキサー はい '#'
}

check_user_files() {
    local row path samples file format text labels quoted name
    for row in "${sound_table[@]}"; do
        read -r path samples <<<"$row"
        file=$unpacked/$path
        [ -f "$file" ] || { fail "no $path"; continue; }
        # A RIFF/WAVE file whose format chunk says WAVE_FORMAT_PCM (1).
        [ "$(head -c 4 "$file")$(tail -c +9 "$file" | head -c 8)" = 'RIFFWAVEfmt ' ] \
            && [ "$(od -An -tu2 -j 20 -N 2 "$file" | tr -d ' ')" = 1 ] \
            || fail "$path is not a PCM RIFF/WAVE file"
        format="$(soxi -r "$file") Hz/$(soxi -c "$file") channel/$(soxi -b "$file") bits/$(soxi -s "$file") samples"
        [ "$format" = "22050 Hz/1 channel/16 bits/$samples samples" ] \
            || fail "$path: $format instead of $samples samples, 22050 Hz mono 16-bit"
        [ "$(stat -c %s "$file")" -lt 100000 ] || fail "$path is not small"
        # The stand-in host, with the module set to play it once a minute,
        # plays it whole: tools/chime.sh captures and counts the plays.
        if ! CHIME_CAPTURE=1 CHIME_NO_BUILD=1 bash "$source/tools/chime.sh" "$build" "" "$file" \
             >"$work/chime.log" 2>&1 || ! grep -q '^chime: heard 1 play(s)' "$work/chime.log"; then
            cat "$work/chime.log"
            fail "the stand-in host did not play $path once"
        fi
    done
    # tools/chime.sh left its settings: no later test starts from them.
    "${wine_run[@]}" reg delete "$key" /f >/dev/null 2>&1 || true

    for name in readme-ja.txt LICENSE.txt remove-settings.reg; do
        check_jis_text "$name" "$unpacked/$name"
        check_crlf "$name" "$unpacked/$name"
    done
    # The help page shows the dialog's picture: the help file holds it.
    LC_ALL=C grep -qaF '/settings-dialog.png' "$unpacked/Chimora.chm" \
        || fail "Chimora.chm holds no settings-dialog.png"
    # The help's texts, converted as the build converts them into the help file.
    for name in index.htm popup.txt; do
        iconv -f UTF-8 -t CP932 "$source/help/$name" >"$work/$name" || fail "help/$name is not code page 932"
        check_jis_text "help/$name" "$work/$name"
    done

    # The readme: at most 76 columns (in code page 932 one byte is one
    # column), and every label in 「」 spelled as the resources spell it; a
    # label cut by a line end matches nothing either.
    LC_ALL=C awk 'length($0) > 77 { printf "FAIL: readme-ja.txt line %d has %d columns\n", NR, length($0) - 1; bad = 1 }
                  END { exit bad }' "$unpacked/readme-ja.txt" >&2 || status=1
    text=$(iconv -f CP932 -t UTF-8 "$unpacked/readme-ja.txt" | tr -d '\r')
    labels=$(readme_labels)
    while IFS= read -r quoted; do
        grep -qxF -- "$quoted" <<<"$labels" || fail "readme-ja.txt quotes 「$quoted」, which is no label of the dialog"
    done < <(tr '\n' ' ' <<<"$text" | grep -oP '「\K[^」]*(?=」)')
}

case $mode in
    contents) check_contents; check_user_files ;;
    sample) check_sample "$5" "$6" ;;
    *) echo "usage: see the head of $0" >&2; exit 2 ;;
esac
[ $status -eq 0 ] && echo "package $mode: all checks passed ($(basename "$zip"))"
exit $status
