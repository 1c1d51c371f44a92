#!/usr/bin/env bash
# Photographs the settings dialog under an Xvfb display of its own, with
# the Japanese fonts of the system, into a PNG; and beside it the tray
# program's menu (tray-menu.png) and quiet-hours dialog
# (quiet-hours-dialog.png).
# Usage: tools/screenshot.sh [build-dir] [output.png]
# The build dir must hold a build (tools/test.sh does one).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out=${2:-$root/docs/settings-dialog.png}
run=("$root/tools/wine-run.sh" --prefix "$build/wineprefix")

pictures=$(dirname "$out")
cmake --build "$build" --target dialog_snapshot tray_snapshot >/dev/null

# A display of our own, so that the picture holds nothing else.
for n in $(seq 200 299); do
    [ -e "/tmp/.X$n-lock" ] || [ -S "/tmp/.X11-unix/X$n" ] || break
done
Xvfb ":$n" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -S "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
export DISPLAY=":$n"

# The dialog asks for "ＭＳ Ｐゴシック"; the system has the IPA fonts.
"${run[@]}" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f >/dev/null
# Wine draws the caption buttons with the Marlett font of fonts-wine, which
# it does not look for in Debian's data folder: the prefix gets a copy.
cp /usr/share/wine/fonts/marlett.ttf "$build/wineprefix/drive_c/windows/Fonts/"
# A wineserver left from the tests would keep their display.
WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null || true

# Runs a snapshot program of the build, which prints a window's screen
# rectangle and waits for a line, once for each picture; photographs each
# window into its file.
photograph() {
    local program=$1 out x y width height
    shift
    coproc SNAPSHOT { "${run[@]}" "$build/$program"; }
    for out in "$@"; do
        read -r x y width height <&"${SNAPSHOT[0]}"
        sleep 1  # let the window paint
        mkdir -p "$(dirname "$out")"
        import -window root -crop "${width}x${height}+${x}+${y}" +repage "$out"
        echo done >&"${SNAPSHOT[1]}"
        echo "$out: ${width}x${height}"
    done
    wait "$SNAPSHOT_PID"
}
photograph dialog_snapshot.exe "$out"
# Wine 8 does not draw the caption's ? button (WS_EX_CONTEXTHELP) that
# Windows draws 2 pixels left of the close button, and the help tells the
# user to press it: the picture gets one, the close button (16x14 at 21
# pixels from the right edge, 5 from the top, as Wine lays out this frame)
# copied with a question mark of the IPA Gothic in place of its cross.
width=$(identify -format %w "$out")
face=$(convert "$out" -format "%[pixel:p{$((width - 19)),7}]" info:)
convert "$out" \( +clone -crop "16x14+$((width - 21))+5" +repage \
        -fill "$face" -draw 'rectangle 2,2 12,10' \
        -font /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf -pointsize 11 \
        -fill black -stroke black -strokewidth 0.5 -gravity center -annotate -1+0 '?' +gravity \) \
    -geometry "+$((width - 39))+5" -composite "$out"
photograph tray_snapshot.exe "$pictures/tray-menu.png" "$pictures/quiet-hours-dialog.png"
WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null || true
