#!/usr/bin/env bash
# The module's main job, for a newcomer: installs what is missing, builds the
# module, the stand-in host and the build's own chime, sets the module to play
# that chime at every minute, and runs the host with the module in the
# project's Wine prefix until just after the next minute boundary.
#
# With a display and a sound card you hear it. Without them (or with
# CHIME_CAPTURE=1) it runs on an Xvfb display of its own, captures what Wine
# plays into a file through the ALSA file device, and reports how many plays
# it heard and when.
#
#   tools/chime.sh [build-dir] [seconds] [wave]
#
# build-dir defaults to build/; seconds (how long the host runs) defaults to
# the time until the next minute boundary plus a few seconds; wave (a .wav
# file's Unix path) to the build's chime. With CHIME_NO_BUILD=1 it builds
# nothing (the package test uses the build it was made from).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
mkdir -p "$build"
build=$(cd "$build" && pwd)

[ "${CHIME_NO_BUILD:-}" = 1 ] || bash "$root/tools/build.sh" "$build" Chimora standin_host chime_wav >/dev/null
chime=${3:-$build/chime.wav}

# A card, or a sound server, and a display: play for real.
has_sound() {
    { [ -r /proc/asound/cards ] && ! grep -q 'no soundcards' /proc/asound/cards; } ||
        [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ]
}
capture=${CHIME_CAPTURE:-}
if [ -z "$capture" ]; then
    if [ -n "${DISPLAY:-}" ] && has_sound; then capture=0; else capture=1; fi
fi

sink="$build/chime-capture.raw"
if [ "$capture" = 1 ]; then
    # Xvfb of the prefix's own (tools/wine-run.sh starts it when DISPLAY is
    # unset); sound into $CHIME_SINK through capture-home/.asoundrc.
    unset DISPLAY
    export HOME="$build/capture-home" CHIME_SINK="$sink"
    rm -f "$sink"
fi

wine_run() { "$root/tools/wine-run.sh" --prefix "$build/wineprefix" "$@"; }

# The settings: enabled, once at every step, a step of 60 s, the chime.
wave=$(wine_run winepath -w "$chime" | tr -d '\r')
key='HKCU\Software\Quillet\TimeSignal'
wine_run reg add "$key" /v Enable /t REG_DWORD /d 1 /f >/dev/null
wine_run reg add "$key" /v SignalType /t REG_DWORD /d 0 /f >/dev/null
wine_run reg add "$key" /v Interval /t REG_DWORD /d 60 /f >/dev/null
wine_run reg add "$key" /v WaveName /t REG_SZ /d "$wave" /f >/dev/null

# Until a few seconds after the next boundary that leaves the host time to
# start. Too near a boundary, the host might or might not get there first:
# let it pass, so that the run spans exactly one boundary.
now=$(date +%s)
ahead=$(( 60 - now % 60 ))
if [ "$ahead" -lt 10 ]; then
    sleep $(( ahead + 1 ))
    now=$(date +%s)
    ahead=$(( 60 - now % 60 ))
fi
seconds=${2:-$(( ahead + 4 ))}
boundary=$(date -d "@$(( now + ahead ))" +%T)
echo "chime: $wave plays at every minute; next at $boundary; running the host for ${seconds}s"

wine_run "$build/standin_host.exe" --run "$seconds" &
host=$!

if [ "$capture" = 0 ]; then
    wait "$host"
    exit
fi

# Note when sound starts to arrive after a quiet spell, until the host ends.
onsets=()
last_size=0
last_change=0
while kill -0 "$host" 2>/dev/null; do
    size=$(stat -c %s "$sink" 2>/dev/null || echo 0)
    now_ms=$(date +%s%3N)
    if [ "$size" != "$last_size" ]; then
        [ $(( now_ms - last_change )) -gt 300 ] && onsets+=("$(date +%T.%2N)")
        last_size=$size
        last_change=$now_ms
    fi
    sleep 0.05
done
wait "$host" || true
sleep 0.5
size=$(stat -c %s "$sink" 2>/dev/null || echo 0)

# One play is the wav's samples, 16-bit mono, as Wine hands them to ALSA.
per_play=$(( $(soxi -s "$chime") * 2 ))
plays=$(( (size + per_play / 2) / per_play ))
echo "chime: heard $plays play(s): $size bytes captured, $per_play bytes per play"
[ ${#onsets[@]} -eq 0 ] || echo "chime: sound began at ${onsets[*]}"
[ "$plays" -gt 0 ]
