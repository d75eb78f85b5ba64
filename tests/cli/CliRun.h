#pragma once

#include "cli/CliCommands.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextStream>

// One in-process run of corvane-cli with its exit status and streams.
struct CliRun {
    int status = 0;
    QByteArray bytes; // standard output as written
    QString out;      // the same, as text
    QString err;
};

inline CliRun Cli(const QStringList &args)
{
    CliRun run;
    QBuffer buffer(&run.bytes);
    buffer.open(QIODevice::WriteOnly);
    QTextStream out(&buffer);
    QTextStream err(&run.err);
    run.status = RunCli(args, out, err);
    out.flush();
    err.flush();
    run.out = QString::fromUtf8(run.bytes);
    return run;
}
