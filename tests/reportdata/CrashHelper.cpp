// Another process on a report, for the journal and lock tests.
//
//   reportdata_crash_helper WORKSPACE REPORT [crash | hold | churn PREFIX]
//
// crash (the default): opens the report, changes it and dies by SIGKILL
//   without closing it, as a crash or power cut would end the client.
//   Changes, in order: three appended records R1..R3, record 1's NAME set
//   to EDITED, record 3 deleted, MID inserted before record 2, the taxpayer
//   code set to 110101000000777.
// hold: opens the report and prints "open 0" (writable) or "open 1"
//   (read-only); then reads commands from standard input: "post NAME"
//   appends a record and prints "posted NAME" (or "refused MESSAGE"),
//   "close" closes the report, prints "closed" and ends.
// churn: over and over, opens the report, appends five records named
//   PREFIX-<n>, saving after the second, and closes it, printing
//   "posted PREFIX-<n>" after each post returned; runs until killed.

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "reportdata/XmlDataSet.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

void Crash(TXmlDataSet &dataSet)
{
    dataSet.Open();
    for (const char *name : {"R1", "R2", "R3"})
        dataSet.AppendRecord({QString::fromLatin1(name), 1});
    dataSet.SetRecNo(1);
    dataSet.Edit();
    dataSet.FieldByName(QStringLiteral("NAME")).SetAsString(QStringLiteral("EDITED"));
    dataSet.Post();
    dataSet.SetRecNo(3);
    dataSet.Delete();
    dataSet.SetRecNo(2);
    dataSet.InsertRecord({QStringLiteral("MID"), 2});
    dataSet.SetPayerCode(QStringLiteral("110101000000777"));
    std::fflush(nullptr);
    std::raise(SIGKILL);
}

int Hold(TXmlDataSet &dataSet)
{
    dataSet.Open();
    std::printf("open %d\n", dataSet.ReadOnly() ? 1 : 0);
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.rfind("post ", 0) == 0) {
            const QString name = QString::fromStdString(line.substr(5));
            try {
                dataSet.AppendRecord({name, 1});
                std::printf("posted %s\n", name.toUtf8().constData());
            } catch (const TUserError &error) {
                dataSet.Cancel();
                std::printf("refused %s\n", error.what());
            }
        } else if (line == "close") {
            dataSet.Close();
            std::printf("closed\n");
            std::fflush(stdout);
            return 0;
        }
        std::fflush(stdout);
    }
    return 1;
}

[[noreturn]] void Churn(const QString &report, const QString &prefix)
{
    for (int n = 1;; ) {
        TXmlDataSet dataSet;
        dataSet.SetFileName(report);
        dataSet.SetAccMonth(QStringLiteral("200601"));
        dataSet.Open();
        for (int i = 0; i < 5; ++i, ++n) {
            const QString name = QStringLiteral("%1-%2").arg(prefix).arg(n);
            dataSet.AppendRecord({name, n});
            std::printf("posted %s\n", name.toUtf8().constData());
            std::fflush(stdout);
            if (i == 1)
                dataSet.Save();
        }
        dataSet.Close();
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    TApplicationInfo::SetAppDir(QString::fromLocal8Bit(argv[1]));
    const QString report = QString::fromLocal8Bit(argv[2]);
    const std::string mode = argc > 3 ? argv[3] : "crash";
    if (mode == "churn" && argc == 5)
        Churn(report, QString::fromLocal8Bit(argv[4]));
    TXmlDataSet dataSet;
    dataSet.SetFileName(report);
    dataSet.SetAccMonth(QStringLiteral("200601"));
    if (mode == "crash")
        Crash(dataSet);
    if (mode == "hold")
        return Hold(dataSet);
    return 2;
}
