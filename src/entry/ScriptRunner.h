#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// What the data engine needs of a script engine: run a named function of
// the loaded script with positional arguments and get its value. Failures
// raise TScriptError (see ScriptHost.h) and report nothing; reporting to the
// user is RunScript's business.
//
// Argument values are QVariants of these types: QString (text), int
// (integer), double (float and currency), QDateTime or QDate (date), bool.
class TScriptRunner {
public:
    virtual ~TScriptRunner() = default;
    virtual QVariant Run(const QString &functionName, const QVariantList &arguments) = 0;
};
