#pragma once

#include "ScriptedClientPrompts.h"
#include "ScriptedPrompts.h"
#include "TempWorkspace.h"

#include "app/ClientSession.h"
#include "app/utils/Clock.h"
#include "app/utils/SystemProcess.h"
#include "app/utils/TextFile.h"
#include "app/utils/Utils.h"
#include "documents/XmlConfig.h"
#include "entry/Confirm.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

// Records what would have been started instead of starting it.
class RecordingLauncher : public TSystemProcess::Launcher {
public:
    RecordingLauncher() { TSystemProcess::SetLauncher(this); }
    ~RecordingLauncher() override { TSystemProcess::SetLauncher(nullptr); }
    bool OpenDocument(const QString &target) override
    {
        runs << target;
        return true;
    }
    bool StartDetached(const QString &program, const QStringList &arguments) override
    {
        runs << (QStringList{program} + arguments).join(QLatin1Char(' '));
        return true;
    }
    bool RunAndWait(const QString &program, const QStringList &arguments) override
    {
        runs << (QStringList{program} + arguments).join(QLatin1Char(' '));
        return true;
    }
    QStringList runs;
};

// Answers the double-entry confirmation from a script (0 unless told).
class ScriptedConfirmation : public TConfirmDialog::Handler {
public:
    ScriptedConfirmation() { TConfirmDialog::SetHandler(this); }
    ~ScriptedConfirmation() override { TConfirmDialog::SetHandler(nullptr); }
    int Confirm(const std::vector<TColumn> &entries) override
    {
        asked << entries.size();
        for (const TColumn &entry : entries)
            names << entry.name;
        return answer;
    }
    int answer = 0;
    QList<size_t> asked;
    QStringList names;
};

// A scratch copy of the demo workspace with a session on it; message boxes
// and dialogs are answered from scripts and the clock stands still.
class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        workspace.CopyDemo();
        TClock::SetFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    }
    void TearDown() override
    {
        session.reset();
        TClock::SetFixed(QDateTime());
    }

    // Changes a configuration item in the scratch copy before start-up.
    void SetConfig(const QString &name, const QString &value)
    {
        TConfigDocument config;
        config.Open(workspace.file(QStringLiteral("Config.xml")));
        config.SetConfigValue(name, value);
        config.Close();
    }
    // Replaces a workspace document by text (written as GBK).
    void WriteDocument(const QString &name, const QString &text)
    {
        workspace.Write(name, EncodeGbk(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n") + text));
    }

    TClientSession &Start()
    {
        session = std::make_unique<TClientSession>(prompts);
        EXPECT_EQ(session->Startup(), TClientSession::TStartup::Ready) << messages.texts().join(QLatin1Char('\n')).toStdString();
        return *session;
    }

    TTreeNode *Node(const QString &code, const QString &schema = QString(), const QString &period = QString())
    {
        TNavigationTree &tree = session->Tree();
        TTreeNode *node = tree.FindTaxPayer(code);
        if (node && !schema.isEmpty())
            node = tree.FindSchema(node, schema);
        if (node && !period.isEmpty())
            node = tree.FindReport(node, ReportFileName(schema, period));
        EXPECT_NE(node, nullptr) << code.toStdString() << " " << schema.toStdString() << " " << period.toStdString();
        return node;
    }

    static inline const QString kQinglan = QStringLiteral("370211600123456");  // three reports
    static inline const QString kChengchuan = QStringLiteral("320583MA1Q8R2T6W");
    static inline const QString kFenghe = QStringLiteral("91440101K7H3N5Q2X8"); // no reports

    TempWorkspace workspace;
    ScriptedMessages messages;
    ScriptedConfirmation confirmation;
    ScriptedClientPrompts prompts;
    std::unique_ptr<TClientSession> session;
};
