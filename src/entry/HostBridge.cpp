#include "entry/HostBridge.h"

#include "entry/FileSystemObject.h"
#include "entry/ScriptErrors.h"
#include "entry/XmlDomObject.h"

QObject *TScriptHostBridge::createObject(const QString &progId)
{
    if (const std::optional<TDomProfile> profile = DomProfileForProgId(progId))
        return Adopt(new TXmlDomDocument(*profile));
    if (progId.trimmed().compare(QLatin1String("scripting.filesystemobject"), Qt::CaseInsensitive) == 0)
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
