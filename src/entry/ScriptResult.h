#pragma once

#include <QString>
#include <QVariant>

// What callers make of script function names and results.

// The name of a schema's script function: the schema NAME with ASCII
// letters in lower case, then the suffix ("Abc", "_OnBeforePost" gives
// "abc_OnBeforePost").
QString ScriptFunctionName(const QString &schemaName, const QString &suffix);

// Compares a script result with a number the way a variant comparison does:
// - false equals 0, true equals neither 0 nor 8888 (true is -1 as a variant);
// - numbers compare by value;
// - text is read as a number first, as the script language's == does: blanks
//   around it are ignored, empty text reads as 0, "0x1F" is hexadecimal, and
//   text that is no number equals nothing;
// - an empty result (the function returned nothing, or the call failed
//   without an error number) equals 0, like an empty variant;
// - null, dates, arrays and objects equal no number.
bool ScriptResultIs(const QVariant &result, double number);

// A script result as text, as "_OnCRC" and "_OnGetErrorMessage" results are
// used: text unchanged; integral numbers without decimals ("12", "-3");
// other numbers with up to 15 significant digits and "." ("0.3", "1.5");
// booleans "True"/"False"; dates "yyyy-MM-dd", with " hh:mm:ss" when the
// time is not midnight; arrays their items joined by ","; empty and null
// results empty text.
QString ScriptResultText(const QVariant &result);
