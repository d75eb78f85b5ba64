#pragma once

#include <QString>
#include <QVariantList>

// Every notice and question of the programs goes through TMessageBox. The
// GUI installs a handler that shows a real dialog; tests install one that
// answers from a script; without a handler the text goes to standard error
// and the default button is the answer.
class TMessageBox {
public:
    // Style values (the flags argument).
    enum Style : int {
        ErrorOk = 16,
        WarningOk = 48,
        InformationOk = 64,
        QuestionOkCancel = 33,
        QuestionYesNoCancel = 35,
        QuestionYesNo = 36,
        WarningOkCancelDefaultCancel = 305,
        WarningYesNoCancelDefaultNo = 307,
    };
    // Button codes (the result).
    enum Button : int { IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7 };

    // Something that answers message boxes.
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual int Ask(const QString &caption, const QString &text, int flags) = 0;
    };

    // Shows text with the application title as caption; returns the button pressed.
    static int Show(const QString &text, int flags);
    // Shows text with an explicit caption (the login warnings use "警告").
    static int ShowCaption(const QString &text, const QString &caption, int flags);
    // Formats with FormatText ("%S", "%s", "%d", "%D") and shows the result.
    static int ShowFmt(const QString &format, const QVariantList &args, int flags);

    // The button a box with these flags answers when nobody can be asked.
    static int DefaultButton(int flags);

    // Installs the handler (not owned); nullptr restores the console fallback.
    static void SetHandler(Handler *handler);

    static QString ApplicationTitle();
    static void SetApplicationTitle(const QString &title);
};
