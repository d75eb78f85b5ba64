#!/bin/sh
# One command from a fresh Debian machine to the client running on a copy of
# the bundled demo workspace (the original in examples/ stays untouched).
#
# Until the desktop program lands, this runs the command-line tool on the
# copy instead: it prints the configuration title, the CRC of every report
# file and the records of one report.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_BUILD_DIR:-$here/build}
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
demo=${CORVANE_DEMO_DIR:-$(mktemp -d /tmp/corvane-demo.XXXXXX)}
cp -R "$here/examples/demo-workspace/." "$demo/"
echo "Demo workspace copied to $demo"
cli="$build/src/cli/corvane-cli"
echo "Title: $("$cli" --workspace "$demo" config get Title)"
find "$demo/Data" -type f -name '*.xml' -print0 | sort -z | xargs -0 "$cli" --workspace "$demo" crc
echo
echo "Records of $demo/Data/370211600123456/YSFPCGL200601.xml:"
"$cli" --workspace "$demo" report export "$demo/Data/370211600123456/YSFPCGL200601.xml"
