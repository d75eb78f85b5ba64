#pragma once

#include <QString>

#include <memory>

class QLockFile;

// The lock a program holds on its workspace for as long as it may write
// there, so that two programs never write the same documents: a second
// client, or a command-line tool's write command while a client runs, is
// refused and told who holds the workspace. A lock left by a process that
// died is taken over. The lock is a hidden file in the workspace, removed
// when the lock is released.
class TWorkspaceLock {
public:
    // The client's and the tools' lock; the checker has one of its own.
    static constexpr const char kClientLock[] = ".corvane.lock";

    // Takes the lock named lockName in the workspace (TApplicationInfo::AppDir)
    // for this process, known to others by its program's file name. Raises
    // TUserError saying who holds it (program, host, process) when another
    // live process does, or why the lock file cannot be made.
    explicit TWorkspaceLock(const char *lockName = kClientLock);
    // Releases the lock and removes its file.
    ~TWorkspaceLock();
    TWorkspaceLock(const TWorkspaceLock &) = delete;
    TWorkspaceLock &operator=(const TWorkspaceLock &) = delete;

    // The lock file of lockName in the workspace.
    static QString LockFilePath(const char *lockName = kClientLock);

private:
    std::unique_ptr<QLockFile> lock_;
};
