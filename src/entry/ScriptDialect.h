#pragma once

#include <QList>
#include <QString>

// The parts of the JScript grammar the engine does not have, resolved in
// the text of a script before the engine compiles it (after conditional
// compilation):
//
// - A function declared inside a block (`if (...) { function f() {} }`,
//   `try { function g() {} }`, `case 1: function h() {}`) belongs to the
//   enclosing function or to the script, as JScript has it: it exists from
//   the start of that scope whether or not the block runs, and of two such
//   declarations of one name the later one wins. The declaration is moved to
//   the end of its scope; where it stood an empty statement remains.
// - An assignment to a call (`d.Item("k") = v`, `d("k") = v`, also with
//   "+=" and the other compound operators), which JScript passes to the
//   object's default property: the call's parentheses become a property
//   access whose key is made by __corvaneItemKey (the prelude's; it stands
//   for the arguments, and the objects that have such a property read it).
// - Number literals with a leading zero: "010" is octal (8), "08" decimal.
//
// Everything else stays as it is: a script that has neither comes back
// unchanged. Strings, comments and regular expressions are never touched.
struct TDialectScript {
    QString text;

    // The 1-based line of the source that line `line` (1-based) of text
    // comes from; 0 when line is out of range. Moved declarations keep
    // their own lines and columns; the lines after a scope that received
    // declarations shift in text but not here.
    int SourceLine(int line) const;

    // For each line of text, the 1-based source line (empty when the text
    // came back unchanged: then every line is its own).
    QList<int> sourceLines;
};

// Resolves the constructs above in text.
TDialectScript RewriteDialect(const QString &text);
