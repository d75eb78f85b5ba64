#!/bin/sh
# Renders the client's windows and dialogs offscreen on a scratch copy of the
# demo workspace into docs/screenshots/ (the README shows main-window.png).
# Run after scripts/build.sh; needs fonts-noto-cjk for the Chinese texts.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_BUILD_DIR:-$here/build}
demo=$(mktemp -d /tmp/corvane-shots.XXXXXX)
trap 'rm -rf "$demo"' EXIT
cp -R "$here/examples/demo-workspace/." "$demo/"
QT_QPA_PLATFORM=offscreen "$build/tools/screenshots/corvane-screenshots" "$here/docs/screenshots" "$demo" "$@"
