#pragma once

#include "cli/CliContext.h"

// The commands of the client's navigation tree on the command line. Each
// opens the workspace as the client's start-up does (the register
// documents, the collection type, the tree), selects the node its arguments
// name, runs the client's own command on it through TClientSession and
// closes the workspace again, writing what changed. Questions are answered
// by flags (see TCliMessages), dialogs by the arguments (see TCliPrompts).

// tree: the navigation tree, one node per line, two spaces per level.
int TreeCommand(TCliContext &c);
// taxpayer add CODE NAME | rename CODE NAME | delete CODE --yes
int TaxPayerCommand(TCliContext &c);
// report new CODE SCHEMA [PERIOD] | delete CODE SCHEMA PERIOD --yes |
// import CODE SCHEMA PERIOD FILE.csv (args start with the verb). The import
// prints "imported N, refused M" and a line per refused row, and fails
// when any row was refused.
int ReportFileCommand(TCliContext &c);
// upgrade: the data-version step; prints the version reached.
int UpgradeCommand(TCliContext &c);
// declare CODE SCHEMA PERIOD --to DIR | --floppy: the client's declare
// command with the export dialog answered by the folder, or by the
// removable medium with its content kept; the audit runs. Prints the files
// written, one path a line; fails on any refusal or a refused audit.
int DeclareCommand(TCliContext &c);
// undeclare CODE SCHEMA PERIOD --yes: back to awaiting declaration.
int UndeclareCommand(TCliContext &c);
// print CODE SCHEMA PERIOD [--fixed-assets | --other]: writes "print.xml"
// and the page rendered from it; prints the page's path. A schema with a
// fixed-asset column needs one of the two options.
int PrintCommand(TCliContext &c);
