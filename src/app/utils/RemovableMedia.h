#pragma once

#include <QList>
#include <QString>

// The removable medium that stands for the floppy disk of a declaration
// ("传到软盘"). It is the folder $CORVANE_FLOPPY names when that is set,
// else the one mounted removable volume (a disk the kernel marks removable:
// USB sticks, card readers, floppy drives).

// A mounted file system as the medium functions see it.
struct TMountedVolume {
    QString mountPoint; // without a trailing "/"
    QString device;     // "/dev/sdb1"; empty for file systems without one
    bool removable = false;
};

// The mounted volumes, with the kernel's removable flag of each device's disk
// (/sys/block/<disk>/removable).
QList<TMountedVolume> MountedVolumes();

// The export folder of floppy mode, ending in "/". $CORVANE_FLOPPY is created
// when missing. Raises TUserError "系统不能创建传出路径 "%S" ,请先建立路径后再传出!"
// when that folder cannot be created, or when no removable volume or more
// than one is mounted (%S then says which, and how to choose one).
QString RemovableMediumFolder();
QString RemovableMediumFolder(const QList<TMountedVolume> &volumes);

// Deletes every file and folder inside folder (the folder itself stays;
// symbolic links are removed, never followed). Only the mount point of a
// removable volume or the folder $CORVANE_FLOPPY names may be emptied, and
// never one that is or lies inside the workspace or a home folder, holds the
// workspace, or lies on the root file system's device: those raise
// TUserError with the reason and nothing is deleted. A folder that does not
// exist has nothing to delete.
void EmptyRemovableMedium(const QString &folder);
void EmptyRemovableMedium(const QString &folder, const QList<TMountedVolume> &volumes);
