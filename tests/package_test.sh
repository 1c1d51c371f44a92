#!/usr/bin/env bash
# Tests the release package as its users get it: CPack makes it into a fresh
# folder, where it is unpacked.
#   package_test.sh contents BUILD SOURCE CPACK
#       the ZIP's name, top folder, checksum file and files, the readme's
#       encoding, the .reg file; the user's texts and sounds (see
#       check_user_files)
#   package_test.sh sample BUILD SOURCE CPACK CC CXX
#       builds examples/*.c against the unpacked sdk only and runs them
#       under Wine beside sdk/bin/Chimora.dll
#   package_test.sh msvc BUILD SOURCE CPACK CLANG_CL LLD_LINK LLVM_DLLTOOL LLVM_READOBJ
#       builds examples/sdk_sample.c in the MSVC ABI against sdk/lib/Chimora.lib,
#       runs it, and shows that wrong import libraries are turned down
#   package_test.sh cmake BUILD SOURCE CPACK CMAKE CLANG_CL LLD_LINK LLVM_DLLTOOL LLVM_READOBJ
#       builds examples/ with CMake through find_package(Chimora), with
#       mingw-w64 and with clang-cl, and runs it
set -euo pipefail

mode=$1 build=$2 source=$3 cpack=$4
wine_run=("$source/tools/wine-run.sh" --prefix "$build/wineprefix")
key='HKEY_CURRENT_USER\Software\Quillet\TimeSignal'
# The tray program's own key, and the value that starts it with Windows.
tray_key='HKEY_CURRENT_USER\Software\Quillet\TimeSignalTray'
run_key='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run'
run_value=Chimora
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
# Everything lies in one top folder, so that "extract here" keeps it together.
top=Chimora-$version
unzip -q "$zip" -d "$work/unpacked"
unpacked=$work/unpacked/$top

check_contents() {
    local want got readme text mentions
    want=$(printf '%s\n' Chimora.chm Chimora.vxm ChimoraTray.exe LICENSE.txt readme-ja.txt remove-settings.reg \
           sdk/bin/Chimora.dll sdk/include/chimora.h sdk/lib/Chimora.def sdk/lib/Chimora.lib \
           sdk/lib/cmake/Chimora/ChimoraConfig.cmake sdk/lib/cmake/Chimora/ChimoraConfigVersion.cmake \
           sdk/lib/libChimora.dll.a sounds/bell.wav sounds/signal.wav)
    if unzip -Z1 "$zip" | grep -qv "^$top/"; then
        fail "the ZIP holds entries outside $top/:"$'\n'"$(unzip -Z1 "$zip" | grep -v "^$top/")"
    fi
    got=$(unzip -Z1 "$zip" | grep -v '/$' | sed "s|^$top/||" | LC_ALL=C sort)
    [ "$got" = "$want" ] || fail "the ZIP holds"$'\n'"$got"$'\n'"instead of"$'\n'"$want"

    # Beside the ZIP its checksum, in the format sha256sum -c reads.
    if [ ! -f "$zip.sha256" ]; then
        fail "no $(basename "$zip").sha256 beside the ZIP"
    else
        [ "$(cat "$zip.sha256")" = "$(cd "$work" && sha256sum "$(basename "$zip")")" ] \
            || fail "$(basename "$zip").sha256 holds"$'\n'"$(cat "$zip.sha256")"$'\n'"not the ZIP's sha256sum line"
        (cd "$work" && sha256sum --quiet -c "$(basename "$zip").sha256") || fail "sha256sum -c does not pass the ZIP"
    fi

    cmp -s "$unpacked/Chimora.vxm" "$build/Chimora.vxm" || fail "Chimora.vxm is not the built module"
    cmp -s "$unpacked/ChimoraTray.exe" "$build/ChimoraTray.exe" || fail "ChimoraTray.exe is not the built program"
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
    # The settings key and the tray program's key are named, and every
    # mention of either is one of the keys exactly.
    mentions=$(tr -d '\r' <<<"$text" | grep -oE '[^[:space:]]*(Quillet|TimeSignal)[^[:space:]]*' || true)
    grep -qxF "$key" <<<"$mentions" || fail "readme-ja.txt does not name $key"
    grep -qxF "$tray_key" <<<"$mentions" || fail "readme-ja.txt does not name $tray_key"
    if grep -vqxF -e "$key" -e "$tray_key" <<<"$mentions"; then
        fail "readme-ja.txt names the keys as"$'\n'"$mentions"$'\n'"instead of $key and $tray_key"
    fi
    grep -qxF "$run_key" <<<"$(tr -d '\r' <<<"$text" | grep -oE '[^[:space:]]*CurrentVersion[^[:space:]]*')" \
        || fail "readme-ja.txt does not name $run_key"

    # The .reg file, imported the way a double click does, removes both keys
    # and the Run value, and nothing else of the Run key.
    printf 'REGEDIT4\r\n\r\n[-%s]\r\n\r\n[-%s]\r\n\r\n[%s]\r\n"%s"=-\r\n\r\n' \
           "$key" "$tray_key" "$run_key" "$run_value" | cmp -s - "$unpacked/remove-settings.reg" \
        || fail "remove-settings.reg is not the REGEDIT4 file that deletes $key, $tray_key and the $run_value value"
    "${wine_run[@]}" reg add "$key" /v Enable /t REG_DWORD /d 1 /f >/dev/null
    "${wine_run[@]}" reg add "$tray_key" /v QuietEnable /t REG_DWORD /d 1 /f >/dev/null
    "${wine_run[@]}" reg add "$run_key" /v "$run_value" /d '"C:\Chimora\ChimoraTray.exe"' /f >/dev/null
    "${wine_run[@]}" reg add "$run_key" /v ChimoraOther /d other.exe /f >/dev/null
    "${wine_run[@]}" reg query "$key" >/dev/null || fail "could not make $key to remove"
    "${wine_run[@]}" regedit /s "$(winepath_of "$unpacked/remove-settings.reg")" || fail "regedit failed"
    if "${wine_run[@]}" reg query "$key" >/dev/null 2>&1; then fail "remove-settings.reg left $key in place"; fi
    if "${wine_run[@]}" reg query "$tray_key" >/dev/null 2>&1; then fail "remove-settings.reg left $tray_key in place"; fi
    if "${wine_run[@]}" reg query "$run_key" /v "$run_value" >/dev/null 2>&1; then
        fail "remove-settings.reg left the $run_value value in place"
    fi
    "${wine_run[@]}" reg query "$run_key" /v ChimoraOther >/dev/null 2>&1 \
        || fail "remove-settings.reg removed another program's Run value"
    "${wine_run[@]}" reg delete "$run_key" /v ChimoraOther /f >/dev/null 2>&1 || true
}

# The tray program started from the unpacked ZIP, beside the module it
# ships with, driven by the tray test's package case.
check_tray() {
    local exe
    exe=$(find "$unpacked" -name ChimoraTray.exe | head -n 1)
    [ -n "$exe" ] || { fail "no ChimoraTray.exe in the ZIP"; return; }
    local out
    out=$(CHIMORA_TRAY_FOLDER=$(dirname "$exe") "${wine_run[@]}" "$build/tray_test.exe" \
          --gtest_filter=TrayPackage.* 2>&1) || true
    grep -qF '[       OK ] TrayPackage.RunsFromTheUnpackedPackage' <<<"$out" \
        || { echo "$out"; fail "ChimoraTray.exe does not run from the unpacked ZIP"; }
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

# ---- The SDK from MSVC-style toolchains and from CMake.

# The names $1 imports from Chimora.dll, sorted, one a line.
chimora_imports() {
    "$readobj" --coff-imports "$1" \
        | awk '/^ *Name: /{dll=tolower($2)} /^ *Symbol: /{if (dll == "chimora.dll") print $2}' \
        | LC_ALL=C sort
}

# The undecorated export names of the shipped Chimora.def, one a line.
export_names() { sed -nE 's/^ *([A-Za-z_0-9]+) = .*/\1/p' "$unpacked/sdk/lib/Chimora.def"; }

# Checks that the program $1 imports from Chimora.dll, by their plain names,
# exactly the exports that its source $2 names.
check_imports() {
    local want got name
    want=$(export_names | while read -r name; do
               if grep -qE "\\b$name\\b" "$2"; then echo "$name"; fi
           done | LC_ALL=C sort)
    got=$(chimora_imports "$1")
    [ "$got" = "$want" ] && return 0
    echo "$(basename "$1") imports from Chimora.dll"$'\n'"$got"$'\n'"instead of"$'\n'"$want"
    return 1
}

# Builds a program in the MSVC ABI: clang-cl compiles $3 ($2 is /TC for C,
# /TP for C++) against sdk/include, and lld-link links it with /safeseh
# against the import library $1 into $4. With no MSVC C runtime here, the
# program starts at tests/msvc/start.c and imports the C functions it uses
# from msvcrt.dll.
build_msvc() {
    local lib=$1 lang=$2 source_file=$3 exe=$4
    "$clang_cl" --target=i686-pc-windows-msvc /nologo /W4 /WX /O2 /GS- /Zl /X "$lang" \
        -I"$msvc/include" -I"$unpacked/sdk/include" /c /Fo"${exe%.exe}.obj" -- "$source_file" \
    && "$lld_link" /nologo /safeseh /machine:x86 /subsystem:console /entry:mainCRTStartup \
        /nodefaultlib "$work/msvc/start.obj" "${exe%.exe}.obj" "$lib" \
        "$work/msvc/kernel32.lib" "$work/msvc/msvcrt.lib" /out:"$exe"
}

# Checks the import library $1 as an MSVC user meets it: the sample as C and
# as C++, and a program that takes the address of every export chimora.h
# declares, each built against $1 and importing plain names, then run
# under Wine beside sdk/bin/Chimora.dll.
check_msvc_library() {
    local lib=$1 bin=$unpacked/sdk/bin row lang source_file exe
    local -a programs=("/TC|$sample|sdk_sample_msvc_c.exe" "/TP|$sample|sdk_sample_msvc_cxx.exe"
                       "/TC|$work/msvc/every_export.c|every_export_msvc.exe")
    rm -f "$bin"/*_msvc*.exe
    for row in "${programs[@]}"; do
        IFS='|' read -r lang source_file exe <<<"$row"
        build_msvc "$lib" "$lang" "$source_file" "$bin/$exe" || return 1
        check_imports "$bin/$exe" "$source_file" || return 1
    done
    for row in "${programs[@]}"; do
        IFS='|' read -r lang source_file exe <<<"$row"
        "${wine_run[@]}" "$bin/$exe" || { echo "$exe reports failed checks under Wine"; return 1; }
    done
}

# Takes the LLVM tools' names (clang-cl, lld-link, llvm-dlltool,
# llvm-readobj) and makes into $work/msvc what an MSVC-ABI program needs
# here besides the SDK: the start object and the import libraries of the
# system DLLs it uses.
prepare_msvc() {
    clang_cl=$1 lld_link=$2 dlltool=$3 readobj=$4
    msvc=$source/tests/msvc sample=$source/examples/sdk_sample.c
    mkdir -p "$work/msvc"
    "$clang_cl" --target=i686-pc-windows-msvc /nologo /W4 /WX /O2 /GS- /Zl /X -I"$msvc/include" \
        /c /Fo"$work/msvc/start.obj" -- "$msvc/start.c" || { echo "FAIL: start.c does not compile" >&2; exit 1; }
    "$dlltool" -m i386 -k -d "$msvc/kernel32.def" -l "$work/msvc/kernel32.lib"
    "$dlltool" -m i386 -k -d "$msvc/msvcrt.def" -l "$work/msvc/msvcrt.lib"
}

check_msvc() {
    prepare_msvc "$@"
    local lib=$unpacked/sdk/lib/Chimora.lib def=$unpacked/sdk/lib/Chimora.def row name make log
    # Read through volatile, the addresses stay in the program: each export
    # must link and be imported.
    { echo '#include <chimora.h>'
      echo 'typedef void (*any_function)(void);'
      echo 'static any_function const volatile exports[] = {'
      export_names | sed 's/.*/    (any_function)&,/'
      echo '};'
      echo 'int main(void) {'
      echo '    unsigned i, missing = 0;'
      echo '    for (i = 0; i < sizeof exports / sizeof exports[0]; i++) missing += exports[i] == 0;'
      echo '    return (int)missing;'
      echo '}'
    } >"$work/msvc/every_export.c"

    # The shipped library; the same bytes when made again elsewhere, and no
    # build path in it.
    if ! log=$(check_msvc_library "$lib" 2>&1); then
        fail "sdk/lib/Chimora.lib does not serve an MSVC-ABI program"
    fi
    printf '%s' "${log:+$log$'\n'}"
    mkdir -p "$work/again"
    (cd "$work/again" && "$dlltool" -m i386 -k -d "$build/package/Chimora-import.def" -l Chimora.lib)
    cmp -s "$work/again/Chimora.lib" "$lib" || fail "Chimora.lib made again in another folder differs"
    for path in "$build" "$source"; do
        if LC_ALL=C grep -qaF "$path" "$lib"; then fail "Chimora.lib holds the path $path"; fi
    done

    # Wrong import libraries, each turned down by the same checks.
    sed -E 's/^( *[A-Za-z_0-9]+) = [A-Za-z_0-9@]+/\1/' "$def" >"$work/msvc/plain.def"
    sed -E 's/^ *[A-Za-z_0-9]+ = ([A-Za-z_0-9@]+)/\1/' "$def" >"$work/msvc/decorated.def"
    grep -v '^ *GetProductName@' "$work/msvc/decorated.def" >"$work/msvc/lacking.def"
    local -a rows=(
        'made from Chimora.def as lib /def reads it (the plain names as symbols)|-m i386 -d plain.def'
        'lacking GetProductName|-m i386 -k -d lacking.def'
        'importing the decorated names (no -k)|-m i386 -d decorated.def'
        "mingw's libChimora.dll.a|"
    )
    for row in "${rows[@]}"; do
        IFS='|' read -r name make <<<"$row"
        if [ -n "$make" ]; then
            # shellcheck disable=SC2086  # $make is a list of options
            (cd "$work/msvc" && "$dlltool" $make -l wrong.lib) || { fail "could not make the library $name"; continue; }
            lib=$work/msvc/wrong.lib
        else
            lib=$unpacked/sdk/lib/libChimora.dll.a
        fi
        if log=$(check_msvc_library "$lib" 2>&1); then
            fail "an import library $name passes the checks"
        else
            echo "turned down, as it should be: an import library $name:"
            grep -v -e '^ *>>>' -e '^ *$' <<<"$log" | head -n 3 | sed 's/^/    /'
        fi
    done
}

# Configures examples/ against the unpacked SDK into $2 with the options
# after it, builds it, and checks that find_package took the package from
# there, that the program imports the plain names and that it runs beside
# the Chimora.dll it copied ($1 names the toolchain).
check_cmake_build() {
    local name=$1 dir=$2
    shift 2
    if ! "$cmake" -S "$source/examples" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
             -DCMAKE_PREFIX_PATH="$unpacked/sdk" "$@" >"$dir.log" 2>&1 \
       || ! "$cmake" --build "$dir" --verbose >>"$dir.log" 2>&1; then
        cat "$dir.log"; fail "examples/ does not build with $name"; return
    fi
    grep -qxF "Chimora_DIR:PATH=$unpacked/sdk/lib/cmake/Chimora" "$dir/CMakeCache.txt" \
        || fail "$name: find_package did not take the package from the unpacked SDK"
    cmp -s "$dir/Chimora.dll" "$unpacked/sdk/bin/Chimora.dll" || fail "$name: Chimora.dll is not beside the program"
    check_imports "$dir/sdk_sample.exe" "$sample" || fail "$name: see above"
    "${wine_run[@]}" "$dir/sdk_sample.exe" || fail "sdk_sample.exe built by CMake with $name reports failed checks"
}

check_cmake() {
    cmake=$1
    shift
    prepare_msvc "$@"
    # The version file: pointer size and requested version, and whether the
    # package is taken.
    local row size version want got
    local -a rows=('4|3.0|1' '4|3|1' '4|2.0|0' '4|4.0|0' '8|3.0|0')
    mkdir -p "$work/cmake-version"
    for row in "${rows[@]}"; do
        IFS='|' read -r size version want <<<"$row"
        printf '%s\n' 'cmake_minimum_required(VERSION 3.20)' 'project(version_check NONE)' \
            "set(CMAKE_SIZEOF_VOID_P $size)" "find_package(Chimora $version CONFIG QUIET)" \
            'message(STATUS "found=${Chimora_FOUND}")' >"$work/cmake-version/CMakeLists.txt"
        rm -rf "$work/cmake-version/build"
        got=$("$cmake" -S "$work/cmake-version" -B "$work/cmake-version/build" -DCMAKE_PREFIX_PATH="$unpacked/sdk" \
              | sed -n 's/^-- found=//p')
        [ "$got" = "$want" ] || fail "find_package(Chimora $version) with ${size}-byte pointers: found=$got, not $want"
    done
    check_cmake_build mingw-w64 "$work/cmake-mingw" -DCMAKE_TOOLCHAIN_FILE="$source/cmake/i686-mingw32.cmake"
    # An x86 release build with clang-cl and lld-link, with /SAFESEH: it links
    # only when the package gives the MSVC-format library. The start object
    # and the system import libraries stand in for MSVC's C runtime library.
    check_cmake_build clang-cl "$work/cmake-clang-cl" -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=x86 \
        -DCMAKE_C_COMPILER="$clang_cl" -DCMAKE_C_COMPILER_TARGET=i686-pc-windows-msvc -DCMAKE_LINKER="$lld_link" \
        -DCMAKE_C_FLAGS="/GS- /Zl /X -I$msvc/include" -DCMAKE_C_STANDARD_LIBRARIES= \
        -DCMAKE_EXE_LINKER_FLAGS="/safeseh /manifest:no /entry:mainCRTStartup /nodefaultlib $work/msvc/start.obj $work/msvc/kernel32.lib $work/msvc/msvcrt.lib"
}

# --- What a user reads and hears: the texts, the sounds, the readme's labels.

# The sounds the readme states, with their lengths in samples at 22050 Hz.
sound_table=(
    'sounds/signal.wav 33075'
    'sounds/bell.wav 22050'
)

# Texts as Windows shows them: code page 932 decoded, then encoded as EUC-JP,
# which holds JIS X 0208 in two bytes, JIS X 0201's half-width katakana (the
# dialog's labels) behind the 0x8E prefix, and anything else (JIS X 0212,
# where the code page's tilde lands) behind 0x8F or not at all. So NEC and
# IBM extension characters and the wave dash / full-width tilde fail.
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
    # The tray program's menu and its quiet-hours dialog, without "...".
    sed -n 's/^ *MENUITEM *"\([^"]*\)".*/\1/p' "$source/tray/tray.rc" | sed 's/(&.)//; s/\.\.\.$//'
    sed -n 's/^ *\(CONTROL\|CAPTION\) *"\([^"]*\)".*/\2/p' "$source/tray/quiet_dialog.rc" \
        | sed 's/(&.)//; s/:$//'
    printf '%s\n' プロパティ 全般 セキュリティ 許可する ブロックの解除 OK 開く 音量ミキサー \
        一般の警告音 ユーザーアカウント制御 はい '#'
}

# Where first-time users got stuck: each row names the point and a phrase
# the readme must hold (its lines joined, so a phrase may cross a line end).
# The chooser's start folder is the module's own string (516) below
# %APPDATA%.
readme_points() {
    local folder
    folder=$(sed -n 's/^ *IDS_BROWSE_FOLDER, *"\(.*\)"$/\1/p' "$source/resources/chimora.rc" | sed 's/\\\\/\\/g')
    printf '%s\n' \
        "where the file chooser opens|%APPDATA%\\$folder" \
        "the host's own manual for its module folder|Vantry の説明書" \
        "F1 shows the focused control's help|フォーカスのある項目で F1" \
        "the settings are saved by 了解|「了解」を押したときに保存" \
        "the upgrade steps|■ バージョンアップ" \
        "an upgrade keeps the settings|そのまま引き継がれます"
}

# The readme's header states its release date, and the version's entry in
# its history and in CHANGES.md gives the same date.
check_release_date() {
    local text=$1 date history changes
    date=$(grep -oP '^  公開日 +\K[0-9]{4}/[0-9]{2}/[0-9]{2}$' <<<"$text" || true)
    [ -n "$date" ] || { fail "readme-ja.txt's header gives no release date (公開日 YYYY/MM/DD)"; return; }
    history=$(grep -oP "^  ${version//./\\.}  \K[0-9]{4}/[0-9]{2}/[0-9]{2}" <<<"$text" || true)
    [ "$history" = "$date" ] || fail "readme-ja.txt's history dates $version '$history', its header $date"
    changes=$(grep -oP "^## ${version//./\\.} .*\K[0-9]{4}-[0-9]{2}-[0-9]{2}$" "$source/CHANGES.md" || true)
    [ "${changes//-//}" = "$date" ] || fail "CHANGES.md dates $version '$changes', the readme $date"
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
    # The help page shows the pictures of the dialogs and the tray menu: the help file holds them.
    for name in settings-dialog.png tray-menu.png quiet-hours-dialog.png; do
        LC_ALL=C grep -qaF "/$name" "$unpacked/Chimora.chm" || fail "Chimora.chm holds no $name"
    done
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

    local joined row point phrase
    joined=$(sed 's/^ *//' <<<"$text" | tr -d '\n')
    while IFS= read -r row; do
        IFS='|' read -r point phrase <<<"$row"
        grep -qF -- "$phrase" <<<"$joined" || fail "readme-ja.txt does not tell $point ($phrase)"
    done < <(readme_points)
    check_release_date "$text"
}

case $mode in
    contents) check_contents; check_user_files; check_tray ;;
    sample) check_sample "$5" "$6" ;;
    msvc) check_msvc "$5" "$6" "$7" "$8" ;;
    cmake) check_cmake "$5" "$6" "$7" "$8" "$9" ;;
    *) echo "usage: see the head of $0" >&2; exit 2 ;;
esac
[ $status -eq 0 ] && echo "package $mode: all checks passed ($(basename "$zip"))"
exit $status
