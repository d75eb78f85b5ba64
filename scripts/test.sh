#!/bin/sh
# One command from a fresh Debian machine to a passing test suite:
# installs the packages, builds everything, runs the fuzz targets (clang,
# AddressSanitizer, UBSan) for a fixed number of inputs, then every test.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_BUILD_DIR:-$here/build}
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
"$here/scripts/fuzz-smoke.sh"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)"
