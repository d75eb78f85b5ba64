// Holds the workspace lock of the folder given as its argument until it is
// killed: another process, for the tests of the workspace lock.

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/WorkspaceLock.h"

#include <QCoreApplication>

#include <cstdio>
#include <thread>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    TApplicationInfo::SetAppDir(QString::fromLocal8Bit(argv[1]));
    try {
        TWorkspaceLock lock;
        std::printf("locked\n");
        std::fflush(stdout);
        for (;;)
            std::this_thread::sleep_for(std::chrono::seconds(1));
    } catch (const TUserError &error) {
        std::printf("refused: %s\n", error.what());
        return 1;
    }
}
