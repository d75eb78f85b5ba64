#include "entry/HostObject.h"

#include "entry/ScriptErrors.h"

#include <QHash>
#include <QJSEngine>
#include <QMetaMethod>
#include <QMetaProperty>

TScriptHostObject::TScriptHostObject(QObject *parent)
    : QObject(parent)
{
}

QString TScriptHostObject::HostClass() const
{
    return QString::fromLatin1(metaObject()->className());
}

QStringList TScriptHostObject::HostMembers() const
{
    const QMetaObject *meta = metaObject();
    const QMetaObject &base = TScriptHostObject::staticMetaObject;
    QStringList members;
    for (int i = base.propertyCount(); i < meta->propertyCount(); ++i)
        members << QString::fromLatin1(meta->property(i).name());
    for (int i = base.methodCount(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Method || method.access() != QMetaMethod::Public)
            continue;
        const QString name = QString::fromLatin1(method.name());
        if (!members.contains(name))
            members << name;
    }
    members << Aliases();
    return members;
}

void TScriptHostObject::ThrowScriptError(int number, const QString &description) const
{
    QJSEngine *engine = qjsEngine(this);
    if (!engine)
        return;
    QJSValue error = engine->newErrorObject(QJSValue::GenericError, description);
    error.setProperty(QStringLiteral("number"), ScriptErrorCode(number));
    error.setProperty(QStringLiteral("description"), description);
    engine->throwError(error);
}

void TScriptHostObject::SetScriptOwnership(QObject *object)
{
    QJSEngine::setObjectOwnership(object, QJSEngine::JavaScriptOwnership);
}
