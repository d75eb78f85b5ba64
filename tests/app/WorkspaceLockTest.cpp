#include "SessionFixtures.h"

#include "app/utils/WorkspaceLock.h"

#include <QFile>
#include <QProcess>

#include <csignal>

namespace {

// Starts the lock holder on the workspace and waits until it holds the lock.
class LockHolder {
public:
    explicit LockHolder(const QString &workspace)
    {
        process.start(QStringLiteral(CORVANE_LOCK_HOLDER), {workspace});
        ok = process.waitForReadyRead(10000) && process.readLine().startsWith("locked");
    }
    ~LockHolder()
    {
        process.kill();
        process.waitForFinished();
    }
    QProcess process;
    bool ok = false;
};

TEST_F(SessionTest, AWorkspaceAnotherProgramHoldsIsRefusedAndTakenOverWhenItDies)
{
    LockHolder holder(workspace.path());
    ASSERT_TRUE(holder.ok);
    session = std::make_unique<TClientSession>(prompts);
    EXPECT_EQ(session->Startup(), TClientSession::TStartup::Terminate);
    ASSERT_EQ(messages.shown().size(), 1);
    const QString refusal = messages.last();
    EXPECT_TRUE(refusal.contains(QStringLiteral("lock_holder"))) << refusal.toStdString();
    EXPECT_TRUE(refusal.contains(QString::number(holder.process.processId()))) << refusal.toStdString();
    EXPECT_EQ(prompts.logins, 0);

    // Killed without a chance to clean up, it leaves its lock file behind.
    ::kill(pid_t(holder.process.processId()), SIGKILL);
    holder.process.waitForFinished();
    EXPECT_TRUE(QFile::exists(TWorkspaceLock::LockFilePath()));
    session = std::make_unique<TClientSession>(prompts);
    EXPECT_EQ(session->Startup(), TClientSession::TStartup::Ready) << messages.last().toStdString();
    session.reset();
    EXPECT_FALSE(QFile::exists(TWorkspaceLock::LockFilePath())); // released with the session
}

TEST_F(SessionTest, ASecondClientInTheSameWorkspaceIsRefused)
{
    Start();
    TClientSession second(prompts);
    EXPECT_EQ(second.Startup(), TClientSession::TStartup::Terminate);
    EXPECT_TRUE(messages.last().startsWith(QStringLiteral("工作目录"))) << messages.last().toStdString();
    EXPECT_EQ(prompts.logins, 1);
}

} // namespace
