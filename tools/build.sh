#!/usr/bin/env bash
# Installs what is missing, configures the i686 cross build and builds it.
# Usage: tools/build.sh build-dir [target...]   (no target: everything)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1
shift

bash "$root/tools/install.sh"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
if [ $# -gt 0 ]; then
    cmake --build "$build" -j "$(nproc)" --target "$@"
else
    cmake --build "$build" -j "$(nproc)"
fi
