#!/bin/sh
# Configures and builds everything into build/ (or $CORVANE_BUILD_DIR).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build" --parallel "$(nproc)"
