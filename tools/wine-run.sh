#!/usr/bin/env bash
# Runs a Windows program under Wine the way the module's tests need it:
#   wine-run.sh [--prefix DIR] program.exe [args...]
# - a private 32-bit prefix (default: build/wineprefix beside this script's
#   project), made and tuned on first use;
# - code page 932 (LANG=ja_JP.UTF-8), quiet Wine, no Mono/Gecko installers;
# - an Xvfb display of the prefix's own when DISPLAY is not set.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix="$here/../build/wineprefix"
if [ "${1:-}" = "--prefix" ]; then prefix=$2; shift 2; fi
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)

export WINEPREFIX="$prefix" WINEARCH=win32
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

# An Xvfb of the prefix's own, started once and kept for later runs.
start_display() {
    local n
    if [ -f "$prefix/.xvfb" ]; then
        read -r n pid < "$prefix/.xvfb"
        if kill -0 "$pid" 2>/dev/null && [ -S "/tmp/.X11-unix/X$n" ]; then
            DISPLAY=":$n"; return
        fi
    fi
    for n in $(seq 90 190); do
        [ -e "/tmp/.X$n-lock" ] || [ -S "/tmp/.X11-unix/X$n" ] && continue
        setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
        local pid=$!
        for _ in $(seq 100); do
            [ -S "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        if [ -S "/tmp/.X11-unix/X$n" ]; then
            echo "$n $pid" > "$prefix/.xvfb"
            DISPLAY=":$n"; return
        fi
    done
    echo "wine-run: could not start Xvfb" >&2; exit 1
}

# Serialise set-up: prefix creation and display start happen once.
exec 9> "$prefix/.lock"
flock 9
if [ ! -f "$prefix/.ready-3" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # No window manager: without this Wine waits ~2 s for every hidden window.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # Play through ALSA, so a test's ~/.asoundrc decides where the sound goes.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1
    # A crashing program ends at once instead of waiting in the debugger.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d nodebugger /f \
        >/dev/null 2>&1 || true
    wineserver -w
    touch "$prefix/.ready-3"
fi
[ -n "${DISPLAY:-}" ] || start_display
export DISPLAY
flock -u 9
exec 9>&-

exec wine "$@"
