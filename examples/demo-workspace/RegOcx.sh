#!/bin/sh
# The script engine is built into the programs; there is nothing to
# register. Start-up runs this only when "Script.js" cannot be loaded.
echo "The script engine is built in; check that Script.js exists and compiles."
