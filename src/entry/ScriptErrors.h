#pragma once

#include "app/utils/Errors.h"

#include <QList>
#include <QString>

// Error numbers the script host reports, in the numbering the rule scripts
// and their support staff know (docs/script-errors.md lists them).
namespace ScriptErrorNumber {
constexpr int InvalidCall = 5;            // invalid procedure call or argument
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
constexpr int OutOfStack = 28;
constexpr int FileNotFound = 53;
constexpr int InputPastEnd = 62;
constexpr int PermissionDenied = 70;
constexpr int CannotCreateObject = 429;
constexpr int NoSuchMember = 438;         // also: the called function is not defined
constexpr int KeyAlreadyExists = 457;     // Scripting.Dictionary.Add of a key it has
constexpr int SyntaxError = 1002;         // any syntax error without a number of its own
constexpr int ExpectedSemicolon = 1004;
constexpr int ExpectedCloseParen = 1006;
constexpr int ExpectedCloseBrace = 1009;
constexpr int UnterminatedString = 1015;
constexpr int FunctionExpected = 5002;
constexpr int ObjectExpected = 5007;
constexpr int UndefinedIdentifier = 5009;
constexpr int VBArrayExpected = 5013;
constexpr int UncaughtException = 5022;
constexpr int ElementNotFound = 32811;    // Scripting.Dictionary: no such key
constexpr int TimedOut = 9000;            // the call ran past the host's time-out
}

// A failed script call or script load, with what the engine knows of it.
// The message (TUserError::Message) is the five-line report the user sees.
class TScriptError : public TUserError {
public:
    TScriptError(int number, int line, int column, const QString &sourceText,
                 const QString &description);

    // The error number; 0 means "no error number", which RunScript ignores.
    int Number() const { return number_; }
    // 1-based line in the script, 0 when unknown.
    int Line() const { return line_; }
    // 1-based column on that line, 0 when the engine does not say (it says
    // so only for syntax errors).
    int Column() const { return column_; }
    // The failing line of the script as written, trimmed; empty when unknown.
    QString SourceText() const { return sourceText_; }
    QString Description() const { return description_; }

private:
    int number_;
    int line_;
    int column_;
    QString sourceText_;
    QString description_;
};

// The report shown for a script error: five lines, each followed by CR LF.
QString ScriptErrorReport(int number, int line, int column, const QString &sourceText,
                          const QString &description);

// An error number with its description.
struct TScriptErrorInfo {
    int number = 0;
    QString description;
};

// Maps an error raised by the engine itself (its constructor name, e.g.
// "TypeError", and its message) to the script error number and description.
TScriptErrorInfo ClassifyEngineError(const QString &name, const QString &message);

// A syntax error of the engine: the number the engine's message tells
// ("Expected token `;'" is 1004, `)' 1006, `}' 1009; any other 1002).
// Given the failing line and the 1-based column the engine names, it also
// tells an unterminated string (1015), which the engine reports under
// another message.
TScriptErrorInfo ClassifySyntaxError(const QString &message, const QString &lineText = QString(),
                                     int column = 0);

// The description that belongs to one of the numbers above, in Chinese as
// a Chinese Windows shows it; empty for other numbers. 5009 has "%1" for
// the undefined name.
QString ScriptErrorDescription(int number);

// The numbers that have a description, ascending.
QList<int> DescribedScriptErrors();

// A number as scripts see it in Error.number: numbers below 65536 are
// given in their 0x800A0000 form (negative), as the engine family does.
int ScriptErrorCode(int number);
// The reverse of ScriptErrorCode: a 0x800A.... code back to its low 16
// bits; any other value unchanged.
int ScriptErrorNumberOf(double code);
