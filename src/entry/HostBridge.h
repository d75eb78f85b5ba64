#pragma once

#include "entry/HostObject.h"

#include <QString>

// What the prelude asks of the program: host objects by ProgID, and the
// numbers and descriptions of the engine's own errors. The prelude keeps
// it to itself; scripts never see it.
class TScriptHostBridge : public TScriptHostObject {
    Q_OBJECT

public:
    using TScriptHostObject::TScriptHostObject;

    // A new host object for a ProgID (letter case ignored): the XML DOM
    // document names, "Scripting.FileSystemObject". Any other name raises
    // error 429 "Automation server can't create object".
    Q_INVOKABLE QObject *createObject(const QString &progId);
    // The number (in its plain form) and description of an engine error.
    Q_INVOKABLE int errorNumber(const QString &name, const QString &message) const;
    Q_INVOKABLE QString errorDescription(const QString &name, const QString &message) const;
};
