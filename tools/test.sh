#!/usr/bin/env bash
# Installs what is missing, builds the module and its tests, and runs them
# under Wine. Usage: tools/test.sh [build-dir]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}

bash "$root/tools/build.sh" "$build"

# The tests share one Wine prefix and its registry: one at a time. A test
# that hangs is run again: under qemu's emulator a Wine process now and then
# hangs in fork() (see tools/wine-run.sh), which says nothing of the module.
status=0
ctest --test-dir "$build" --output-on-failure -j1 --timeout 900 --repeat after-timeout:2 || status=$?

# Leave no Wine or Xvfb processes of this prefix behind.
WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null || true
if [ -f "$build/wineprefix/.xvfb" ]; then
    read -r _ pid < "$build/wineprefix/.xvfb"
    kill "$pid" 2>/dev/null || true
    rm -f "$build/wineprefix/.xvfb"
fi
exit $status
