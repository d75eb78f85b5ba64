#pragma once

#include "entry/ScriptHost.h"

#include <QString>
#include <QVariant>

#include <optional>
#include <ostream>

// Lets test failures show texts readably.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// Runs body as the body of a new script function on host and returns its
// result. Raises what Run raises.
inline QVariant RunBody(TScriptHost &host, const QString &body, const QVariantList &arguments = {})
{
    static int counter = 0;
    const QString name = QStringLiteral("test_body_%1").arg(++counter);
    host.AddCode(QStringLiteral("function %1() {\n%2\n}\n").arg(name, body),
                 QStringLiteral("/test/%1.js").arg(name));
    return host.Run(name, arguments);
}

// The error RunBody raises, or nothing when it succeeds.
inline std::optional<TScriptError> BodyError(TScriptHost &host, const QString &body)
{
    try {
        RunBody(host, body);
    } catch (const TScriptError &error) {
        return error;
    }
    return std::nullopt;
}

// A script string literal for text (paths in test scripts).
inline QString JsString(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}
