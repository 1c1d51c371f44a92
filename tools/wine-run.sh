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

# Under qemu's user-mode emulator (see tools/install.sh) a Wine process now
# and then hangs for good in fork(), the child waiting on a lock another
# thread held; most forks happen while a session starts its services. So
# there a step that hangs is killed with the session and tried again, and
# one session serves every run: a keeper process holds it open.
emulated=0
[ "$(head -n 1 /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null)" = enabled ] && emulated=1
tries=1
[ $emulated = 1 ] && tries=3

# Runs a set-up step, killing it and the session after limit seconds.
step() {
    local limit=$1; shift
    if [ $emulated = 1 ]; then timeout "$limit" "$@" 9>&-; else "$@" 9>&-; fi
}

make_prefix() {
    step 600 wineboot -i >/dev/null 2>&1 || return 1
    step 120 wineserver -w || return 1
    # No window manager: without this Wine waits ~2 s for every hidden window.
    step 120 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || return 1
    # Play through ALSA, so a test's ~/.asoundrc decides where the sound goes.
    step 120 wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1 || return 1
    # A crashing program ends at once instead of waiting in the debugger.
    step 120 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
        /d nodebugger /f >/dev/null 2>&1 || [ $? -ne 124 ] || return 1
    step 120 wineserver -w || return 1
    touch "$prefix/.ready-3"
}

# Starts the keeper unless it runs: a console program waiting for input
# that never comes. It prints its prompt once its session has started.
keep_session() {
    local pid
    if [ -f "$prefix/.keeper" ] && read -r pid < "$prefix/.keeper" && kill -0 "$pid" 2>/dev/null; then
        return 0
    fi
    [ -p "$prefix/.keeper-in" ] || mkfifo "$prefix/.keeper-in"
    rm -f "$prefix/.keeper-out"
    setsid wine cmd /c pause <>"$prefix/.keeper-in" >"$prefix/.keeper-out" 2>&1 9>&- &
    pid=$!
    echo "$pid" > "$prefix/.keeper"
    for _ in $(seq 3000); do
        [ -s "$prefix/.keeper-out" ] && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# Serialise set-up: prefix creation, display and session start happen once.
exec 9> "$prefix/.lock"
flock 9
[ -n "${DISPLAY:-}" ] || start_display
export DISPLAY
for try in $(seq $tries); do
    if { [ -f "$prefix/.ready-3" ] || make_prefix; } && { [ $emulated = 0 ] || keep_session; }; then
        break
    fi
    echo "wine-run: Wine hung while it started (try $try of $tries); its session is killed" >&2
    wineserver -k 2>/dev/null || true
    sleep 1
    [ "$try" -lt "$tries" ] || exit 1
done
flock -u 9
exec 9>&-

exec wine "$@"
