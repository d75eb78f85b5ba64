#include "ScriptedPrompts.h"

ScriptedMessages::ScriptedMessages() { TMessageBox::SetHandler(this); }
ScriptedMessages::~ScriptedMessages() { TMessageBox::SetHandler(nullptr); }

int ScriptedMessages::Ask(const QString &caption, const QString &text, int flags)
{
    shown_.append({caption, text, flags});
    return answers_.isEmpty() ? TMessageBox::DefaultButton(flags) : answers_.takeFirst();
}

QStringList ScriptedMessages::texts() const
{
    QStringList result;
    for (const Shown &s : shown_)
        result << s.text;
    return result;
}

ScriptedFolderPicker::ScriptedFolderPicker() { TFolderPicker::SetHandler(this); }
ScriptedFolderPicker::~ScriptedFolderPicker() { TFolderPicker::SetHandler(nullptr); }

QString ScriptedFolderPicker::Pick(const QString &title, const QString &, const QString &)
{
    titles << title;
    return folders_.isEmpty() ? QString() : folders_.takeFirst();
}
