#pragma once

#include "app/utils/Errors.h"

#include <QString>

// Error numbers the script host reports, in the numbering the rule scripts
// and their support staff know (docs/script-errors.md lists them).
namespace ScriptErrorNumber {
constexpr int InvalidCall = 5;            // invalid procedure call or argument
constexpr int TypeMismatch = 13;
constexpr int OutOfStack = 28;
constexpr int FileNotFound = 53;
constexpr int InputPastEnd = 62;
constexpr int PermissionDenied = 70;
constexpr int CannotCreateObject = 429;
constexpr int NoSuchMember = 438;         // also: the called function is not defined
constexpr int SyntaxError = 1002;
constexpr int FunctionExpected = 5002;
constexpr int ObjectExpected = 5007;
constexpr int UndefinedIdentifier = 5009;
constexpr int VBArrayExpected = 5013;
constexpr int UncaughtException = 5022;
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

// The description that belongs to one of the numbers above.
QString ScriptErrorDescription(int number);

// A number as scripts see it in Error.number: numbers below 65536 are
// given in their 0x800A0000 form (negative), as the engine family does.
int ScriptErrorCode(int number);
// The reverse of ScriptErrorCode: a 0x800A.... code back to its low 16
// bits; any other value unchanged.
int ScriptErrorNumberOf(double code);
