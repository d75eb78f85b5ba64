#pragma once

#include "app/ClientPrompts.h"
#include "app/utils/MessageBox.h"

#include <QString>
#include <QTextStream>

#include <utility>

// What the command line answers to the dialogs of one command.
struct TCliAnswers {
    QString code;   // new-unit dialog
    QString name;   // new-unit dialog; the rename dialog's new name
    QString period; // new-report dialog; empty: take the proposal as it stands
    // The export dialog: the folder ("指定路径"), or the removable medium
    // ("传到软盘") whose content is kept.
    QString exportFolder;
    bool floppy = false;
};

// The client's dialogs answered from the command line, each as its dialog
// would return on "确定": the new unit passes the collection type's code rule
// (else its message is raised as a TUserError), the period must be a valid
// "yyyyMM". The tool has no password: the login and the password change are
// never asked of it and answer false.
class TCliPrompts : public TClientPrompts {
public:
    explicit TCliPrompts(TCliAnswers answers) : answers_(std::move(answers)) {}

    bool ExecuteLogin() override { return false; }
    bool EditNewUnit(const QString &collectionType, TTaxPayerInfo &info) override;
    bool EditUnitName(QString &name) override;
    bool EditPeriod(QString &period) override;
    bool EditPassword(QString &, QString &, QString &) override { return false; }
    // Runs the export as "开始导出" would with the answers' folder or the
    // removable medium (its content kept: the floppy question is not
    // asked). Refusals are raised as TUserError.
    bool ExecuteDataExport(const QString &collectionType, TExportBaseInfo &info, TXmlDataSet &dataSet) override;

private:
    TCliAnswers answers_;
};

// Answers the message boxes of one command run and is installed for its
// lifetime. The questions before a delete (warning, OK and Cancel with
// Cancel as the default) are answered OK only when the command line said
// --yes, otherwise Cancel; with --yes, questions with OK and Cancel (the
// one before undoing a declaration) are answered OK without a notice. Every other notice is written to err and answered
// with its default button.
class TCliMessages : public TMessageBox::Handler {
public:
    TCliMessages(QTextStream &err, bool confirmed);
    ~TCliMessages() override;
    TCliMessages(const TCliMessages &) = delete;
    TCliMessages &operator=(const TCliMessages &) = delete;

    int Ask(const QString &caption, const QString &text, int flags) override;

    // Notices written to err so far (questions answered by --yes excluded).
    int NoticeCount() const { return notices_; }
    // Whether one of them carried the error icon: a step the session runs
    // on its own (closing a document, writing the open report) failed.
    bool ErrorShown() const { return errorShown_; }

private:
    QTextStream &err_;
    bool confirmed_;
    int notices_ = 0;
    bool errorShown_ = false;
};
