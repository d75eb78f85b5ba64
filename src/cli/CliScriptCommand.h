#pragma once

#include "cli/CliContext.h"

// "script": a console for script authors. Loads the workspace's Script.js
// (Check.js with --check) into the script host the programs use, then
// evaluates an expression (--eval) or calls a function with text and date
// arguments (--call) and prints the result as the programs read script
// results (ScriptResultText). A script error, while loading or running,
// prints the five-line report the programs show and fails.
int ScriptCommand(TCliContext &c);
