#include "entry/HostBridge.h"

#include "entry/FileSystemObject.h"
#include "entry/ScriptErrors.h"
#include "entry/XmlDomObject.h"

#include <QRegularExpression>

QObject *TScriptHostBridge::createObject(const QString &progId)
{
    const QString name = progId.trimmed().toLower();
    // The older DOM names select with XSL Patterns by default; the 4.0 and
    // later ones with XPath.
    static const QRegularExpression versioned(
        QStringLiteral(R"(^msxml2\.(?:freethreaded)?domdocument(?:\.([3-6])\.0)?$)"));
    if (name == QLatin1String("microsoft.xmldom") || name == QLatin1String("microsoft.freethreadedxmldom")
        || name == QLatin1String("msxml.domdocument"))
        return Adopt(new TXmlDomDocument(false));
    const QRegularExpressionMatch match = versioned.match(name);
    if (match.hasMatch()) {
        const int version = match.captured(1).isEmpty() ? 3 : match.captured(1).toInt();
        return Adopt(new TXmlDomDocument(version >= 4));
    }
    if (name == QLatin1String("scripting.filesystemobject"))
        return Adopt(new TFileSystemObject());
    ThrowScriptError(ScriptErrorNumber::CannotCreateObject,
                     ScriptErrorDescription(ScriptErrorNumber::CannotCreateObject));
    return nullptr;
}

int TScriptHostBridge::errorNumber(const QString &name, const QString &message) const
{
    return ClassifyEngineError(name, message).number;
}

QString TScriptHostBridge::errorDescription(const QString &name, const QString &message) const
{
    return ClassifyEngineError(name, message).description;
}
