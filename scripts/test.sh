#!/bin/sh
# One command from a fresh Debian machine to a passing test suite:
# installs the packages, builds everything and runs every test.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_BUILD_DIR:-$here/build}
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)"
