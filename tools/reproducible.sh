#!/usr/bin/env bash
# Shows that the build is reproducible: builds the module, the tray program,
# the help file and the package a second time, from a copy of the sources at
# another path, into another folder, at another time of day and in another
# time zone, and compares the results byte for byte with those of the given build.
# Usage: tools/reproducible.sh BUILD-DIR [CPACK]
# The copy is the working tree as it is (changes not yet committed too), on
# the same commit, whose time stamps every build of it.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "$1" && pwd)
cpack=${2:-cpack}

# The ZIP records its folders' modes: both packages are made with the
# usual umask.
umask 022
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The same commit, and the working tree's files over it.
copy=$work/source
git clone -q --shared --no-checkout "$root" "$copy"
git -C "$copy" update-ref --no-deref HEAD "$(git -C "$root" rev-parse HEAD)"
(cd "$root" && git ls-files -z --cached --others --exclude-standard | tar --null --ignore-failed-read -T - -cf - 2>/dev/null) \
    | tar -C "$copy" -xf -

# Only what the release package holds, without the tests.
second=$work/build
export TZ=XYZ-9
cmake -S "$copy" -B "$second" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/i686-mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >"$work/configure.log" 2>&1 \
    || { cat "$work/configure.log"; echo "FAIL: configure" >&2; exit 1; }
cmake --build "$second" -j 1 --target Chimora ChimoraTray chimora_help chimora_package_files \
      >"$work/build.log" 2>&1 \
    || { cat "$work/build.log"; echo "FAIL: build" >&2; exit 1; }

# Each build's package, each made in a time zone of its own.
TZ=XYZ+5 "$cpack" --config "$build/CPackConfig.cmake" -B "$work/package-first" >/dev/null
"$cpack" --config "$second/CPackConfig.cmake" -B "$work/package-second" >/dev/null

status=0
compare() {
    local name=$1 first=$2 second=$3 differing
    if [ ! -f "$first" ] || [ ! -f "$second" ]; then
        echo "FAIL: $name: missing ($first, $second)" >&2; status=1; return
    fi
    differing=$( (cmp -l "$first" "$second" 2>/dev/null || true) | wc -l)
    if [ "$(stat -c %s "$first")" != "$(stat -c %s "$second")" ]; then
        echo "FAIL: $name: $(stat -c %s "$first") and $(stat -c %s "$second") bytes" >&2; status=1
    elif [ "$differing" -ne 0 ]; then
        echo "FAIL: $name: $differing of $(stat -c %s "$first") bytes differ" >&2; status=1
    else
        echo "same: $name ($(stat -c %s "$first") bytes, sha256 $(sha256sum <"$first" | cut -c1-16))"
    fi
}
compare Chimora.vxm "$build/Chimora.vxm" "$second/Chimora.vxm"
compare Chimora.chm "$build/Chimora.chm" "$second/Chimora.chm"
compare ChimoraTray.exe "$build/ChimoraTray.exe" "$second/ChimoraTray.exe"
zip=$(cd "$work/package-first" && ls -- *.zip)
compare "$zip" "$work/package-first/$zip" "$work/package-second/$zip"
compare "$zip.sha256" "$work/package-first/$zip.sha256" "$work/package-second/$zip.sha256"
exit $status
