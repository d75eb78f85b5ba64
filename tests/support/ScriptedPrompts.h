#pragma once

#include "app/utils/FolderPicker.h"
#include "app/utils/MessageBox.h"

#include <QList>
#include <QString>
#include <QStringList>

// Answers message boxes from a script and records what was shown. Installed
// for the lifetime of the object.
class ScriptedMessages : public TMessageBox::Handler {
public:
    struct Shown {
        QString caption;
        QString text;
        int flags;
    };

    ScriptedMessages();
    ~ScriptedMessages() override;

    // Answers to give, in order; when they run out, the default button.
    void Answer(int button) { answers_ << button; }

    int Ask(const QString &caption, const QString &text, int flags) override;

    const QList<Shown> &shown() const { return shown_; }
    QStringList texts() const;
    QString last() const { return shown_.isEmpty() ? QString() : shown_.last().text; }

private:
    QList<int> answers_;
    QList<Shown> shown_;
};

// Picks folders from a script: each Pick returns the next queued folder
// (an empty text means "cancelled").
class ScriptedFolderPicker : public TFolderPicker::Handler {
public:
    ScriptedFolderPicker();
    ~ScriptedFolderPicker() override;
    void Queue(const QString &folder) { folders_ << folder; }
    QString Pick(const QString &title, const QString &root, const QString &initial) override;
    QStringList titles;

private:
    QStringList folders_;
};
