#pragma once

#include <QStringList>
#include <QTextStream>

// The command-line tool's commands, apart from main() so that tests run
// them in-process. arguments exclude the program name and the workspace
// option (already applied to TApplicationInfo).
//
// Output that must keep its exact bytes (an export) goes to out's device
// when it has one.
//
// Exit codes: 0 success, 1 the command failed (the message is on err),
// 2 the command line was wrong (usage on err).
int RunCli(const QStringList &arguments, QTextStream &out, QTextStream &err);

// The usage text printed by --help.
QString CliUsage();
