#include "app/utils/ApplicationInfo.h"
#include "cli/CliCommands.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = TApplicationInfo::InitFromArguments(app.arguments());
    arguments.removeFirst(); // the program
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = RunCli(arguments, out, err);
    out.flush();
    err.flush();
    return status;
}
