#include "app/utils/SystemProcess.h"
#include "TempWorkspace.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class RecordingLauncher : public TSystemProcess::Launcher {
public:
    RecordingLauncher() { TSystemProcess::SetLauncher(this); }
    ~RecordingLauncher() override { TSystemProcess::SetLauncher(nullptr); }
    bool OpenDocument(const QString &target) override { opened << target; return true; }
    bool StartDetached(const QString &program, const QStringList &) override
    {
        started << program;
        return program != QLatin1String("missing");
    }
    bool RunAndWait(const QString &program, const QStringList &arguments) override
    {
        ran << (QStringList{program} + arguments).join(QLatin1Char('|'));
        return true;
    }
    QStringList opened, started, ran;
};

} // namespace

TEST(SystemProcess, ScriptsRunWithShAndCommandLinesAreCut)
{
    RecordingLauncher launcher;
    TSystemProcess::RunAndWait(QStringLiteral("/w/RegOcx.sh"), TSystemProcess::Hidden);
    TSystemProcess::RunAndWait(QStringLiteral("prog \"a b\" c"));
    TSystemProcess::RunAndWait(QStringLiteral("x ") + QString(600, QLatin1Char('y')));
    TSystemProcess::RunAndWait(QString());
    ASSERT_EQ(launcher.ran.size(), 3);
    EXPECT_EQ(launcher.ran[0], QStringLiteral("sh|/w/RegOcx.sh"));
    EXPECT_EQ(launcher.ran[1], QStringLiteral("prog|a b|c"));
    EXPECT_EQ(launcher.ran[2], QStringLiteral("x|") + QString(509, QLatin1Char('y'))); // cut at 511 characters
    TSystemProcess::Open(QStringLiteral("/w/print.html"));
    EXPECT_EQ(launcher.opened, QStringList{QStringLiteral("/w/print.html")});
    EXPECT_EQ(TSystemProcess::OpenWith(QStringLiteral("missing"), QString()), 2);
    EXPECT_EQ(TSystemProcess::OpenWith(QStringLiteral("browser"), QStringLiteral("a")), 33);
}

TEST(SystemProcess, RealRunWaitsForTheProgramAndIgnoresOneThatCannotStart)
{
    TempWorkspace ws;
    const QString script = ws.Write(QStringLiteral("RegOcx.sh"), "sleep 0.2; touch \"$(dirname \"$0\")/done\"\n");
    TSystemProcess::RunAndWait(script, TSystemProcess::Hidden);
    EXPECT_TRUE(QFileInfo::exists(ws.file(QStringLiteral("done"))));
    TSystemProcess::RunAndWait(ws.file(QStringLiteral("no-such-program")));
}
