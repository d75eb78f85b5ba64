#pragma once

#include <QString>
#include <stdexcept>

// A failure meant for the user. what() holds the exact text to show (UTF-8);
// the command runner at the event-loop edge shows it in an error box titled
// with the application title, and the command stops there.
class TUserError : public std::runtime_error {
public:
    explicit TUserError(const QString &message);
    // The message as the user sees it.
    QString Message() const { return QString::fromUtf8(what()); }
};

// A file system failure (open, read, write, rename). The message is the
// system's own description, prefixed with the path it concerns.
class TFileError : public TUserError {
public:
    TFileError(const QString &path, const QString &systemMessage);
    QString Path() const { return path_; }

private:
    QString path_;
};

// An XML document could not be parsed; the message is the parser's.
class TXmlParseError : public TUserError {
public:
    using TUserError::TUserError;
};

// A value text could not be converted (a malformed number or date).
class TConversionError : public TUserError {
public:
    using TUserError::TUserError;
};

// A list was asked for an entry it does not have, or given a key it holds already.
class TKeyListError : public TUserError {
public:
    using TUserError::TUserError;
};

// The silent abort: the user has already been told (a script error box, an
// inconsistent entry, a cancelled confirmation). It unwinds the current
// command to the event loop without a further message.
class TSilentAbort : public std::exception {
public:
    const char *what() const noexcept override { return "silent abort"; }
};
