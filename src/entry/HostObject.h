#pragma once

#include <QObject>
#include <QStringList>

class QJSEngine;

// Base of the objects scripts get from ActiveXObject and of everything
// those objects hand out. The prelude wraps each of them in a layer that
// finds members without regard to letter case, as COM names are found; the
// two properties below tell that layer which objects are ours and which
// members they offer (properties and Q_INVOKABLE methods of the derived
// classes only, so QObject's own members stay out of the scripts' reach).
class TScriptHostObject : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString corvaneHostClass READ HostClass CONSTANT)
    Q_PROPERTY(QStringList corvaneHostMembers READ HostMembers CONSTANT)

public:
    explicit TScriptHostObject(QObject *parent = nullptr);

    QString HostClass() const;
    // Member names; an entry "scriptName:memberName" makes a script name
    // stand for a member of another name.
    QStringList HostMembers() const;

protected:
    // Script names that stand for members of other names ("setProperty"
    // cannot be a member name: QObject has one).
    virtual QStringList Aliases() const { return {}; }

    // Raises a script error in the script that called into this object:
    // an Error whose number is the 0x800A form of number (see
    // ScriptErrorCode) and whose description and message are description.
    // Call only from a method the script called, then return at once.
    void ThrowScriptError(int number, const QString &description) const;

    // Gives a newly made object to the script engine's garbage collector.
    template <typename T>
    static T *Adopt(T *object)
    {
        SetScriptOwnership(object);
        return object;
    }

private:
    static void SetScriptOwnership(QObject *object);
};
