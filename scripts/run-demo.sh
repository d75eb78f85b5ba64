#!/bin/sh
# One command from a fresh Debian machine to the client running on a copy of
# the bundled demo workspace (the original in examples/ stays untouched).
# Log in with the initial password 570319.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_BUILD_DIR:-$here/build}
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
demo=${CORVANE_DEMO_DIR:-$(mktemp -d /tmp/corvane-demo.XXXXXX)}
cp -R "$here/examples/demo-workspace/." "$demo/"
echo "Demo workspace copied to $demo"
echo "Log in with the initial password 570319."
exec "$build/src/app/forms/corvane" --workspace "$demo" "$@"
