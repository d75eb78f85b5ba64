// Opens a report, changes it and dies by SIGKILL without closing it, as a
// crash or power cut would end the client. Used by the journal tests.
//
//   reportdata_crash_helper WORKSPACE REPORT
//
// Changes, in order: three appended records R1..R3, record 1's NAME set to
// EDITED, record 3 deleted, MID inserted before record 2, the taxpayer code
// set to 110101000000777.

#include "app/utils/ApplicationInfo.h"
#include "reportdata/XmlDataSet.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    TApplicationInfo::SetAppDir(QString::fromLocal8Bit(argv[1]));
    TXmlDataSet dataSet;
    dataSet.SetFileName(QString::fromLocal8Bit(argv[2]));
    dataSet.SetAccMonth(QStringLiteral("200601"));
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
    return 1;
}
