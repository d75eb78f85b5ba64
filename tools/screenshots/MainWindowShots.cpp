// The main window with a report open, as an operator sees it after logging in.

#include "Shots.h"

#include "access/Password.h"
#include "app/forms/MainForm.h"
#include "reportdata/XmlDataSet.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

// Answers the login dialog that Create() shows with the initial password.
void LogInWhenAsked()
{
    QTimer::singleShot(0, [] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog) {
            LogInWhenAsked();
            return;
        }
        dialog->findChild<QLineEdit *>(QStringLiteral("edtPwd"))->setText(QString::fromLatin1(kInitialPassword));
        dialog->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
    });
}

// The first unit's first schema with reports, its last report selected.
std::unique_ptr<QWidget> MainWindow(const TShotContext &)
{
    auto window = std::make_unique<TfrmMain>();
    LogInWhenAsked();
    if (!window->Create())
        return window;
    window->resize(1280, 800);
    TClientSession &session = window->Session();
    if (TTreeNode *root = session.Tree().Root()) {
        for (int t = 0; t < root->ChildCount(); ++t) {
            TTreeNode *unit = root->Child(t);
            for (int s = 0; s < unit->ChildCount(); ++s) {
                if (TTreeNode *report = unit->Child(s)->LastChild()) {
                    session.Select(report);
                    return window;
                }
            }
        }
    }
    return window;
}

} // namespace

QList<TShot> MainWindowShots() { return {{QStringLiteral("main-window"), MainWindow}}; }
