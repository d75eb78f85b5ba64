#pragma once

#include <QJSValue>
#include <QVariant>

class QJSEngine;

// Values crossing between the program and the script engine.

// A program value as a script value: text as a string; integers and
// floating-point numbers as numbers; booleans as booleans; QDateTime and
// QDate as Date objects in local time (a QDate at midnight); lists as
// arrays; an invalid QVariant as undefined (an empty argument).
QJSValue ToScriptValue(QJSEngine &engine, const QVariant &value);

// A script value as a program value: undefined as an invalid QVariant;
// null as a QVariant holding nullptr; booleans as bool; numbers as int when
// integral and within int range, else double; strings as QString; Date
// objects as local QDateTime; arrays as QVariantList; other objects as
// their text.
QVariant FromScriptValue(const QJSValue &value);
