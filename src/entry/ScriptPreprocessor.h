#pragma once

#include <QHash>
#include <QString>

// Conditional compilation of the JScript dialect, resolved before the
// engine sees the text: "/*@cc_on ... @*/" and "//@" comments that hold
// code once compilation is on, "@if (...)", "@elif (...)", "@else",
// "@end", "@set @name = ..." and "@name" variables (@_jscript is true,
// @_jscript_version 5.8, @_win32 and @_x86 true, unknown names NaN).
//
// The result has exactly the line breaks of the input, so the engine's line
// numbers are the script's: directives, the comment markers around
// conditional code and the branches not taken become blanks. Text without
// "@cc_on" comes back unchanged. The state (on/off, @set variables) carries
// over from one Process call to the next, as it does across the code added
// to one engine.
class TScriptPreprocessor {
public:
    TScriptPreprocessor();

    // Resolves text. Raises TScriptError 1002 (with line, column and the
    // failing line) on a malformed directive: "@if" without "(", "@elif",
    // "@else" or "@end" outside an "@if", an "@if" left open at the end.
    QString Process(const QString &text);

    // True once "@cc_on" has been seen.
    bool Enabled() const { return enabled_; }

    // A compilation variable's value.
    struct TValue {
        double number = 0;
        bool isBool = false;
    };

private:
    friend class TConditionalPass;
    bool enabled_ = false;
    QHash<QString, TValue> variables_;
};
