#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <stdexcept>

// Exit codes of corvane-cli.
inline constexpr int kCliOk = 0;     // the command ran to its end
inline constexpr int kCliFailed = 1; // the command failed; its message is on err
inline constexpr int kCliUsage = 2;  // the command line was wrong

// What one command gets: its own arguments (after the command word) and the
// two streams.
struct TCliContext {
    const QStringList &args;
    QTextStream &out;
    QTextStream &err;
};

// A command line that is wrong in a way the usage text alone does not
// explain (a delete without --yes, an empty name). RunCli prints the message
// and exits with kCliUsage; nothing has been read or written.
class TCliUsageError : public std::runtime_error {
public:
    explicit TCliUsageError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};
