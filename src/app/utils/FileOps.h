#pragma once

#include <QString>
#include <QStringList>

// Copying, moving and deleting files and folder trees. Hidden entries are
// the Linux dot-files.

// The size of the pieces CopyFileChunked copies in.
inline constexpr qint64 kCopyChunkSize = 102400;

// Copies a whole file in pieces of at most kCopyChunkSize bytes, replacing
// the destination atomically. Returns true; raises TFileError when a file
// cannot be opened, read or written.
bool CopyFileChunked(const QString &source, const QString &destination);

// Copies a folder tree into destination (created when missing). A file that
// already exists at the destination is left unchanged. Returns false for an
// empty source or one whose entries cannot be listed.
bool CopyFolderTree(const QString &source, const QString &destination);

// Deletes a folder with everything in it; true when it no longer exists.
// An empty path gives false. Entries that cannot be deleted are skipped.
bool DeleteFolder(const QString &folder);

// Deletes a folder with everything in it; a missing folder is no error.
void DeleteFolderTree(const QString &folder);

// Moves a folder tree: copies it, then deletes the source. A file that
// exists at both ends with different content is never lost: the source copy
// stays where it was and the result is false. True only when the source is
// gone and every file is at the destination.
bool MoveFolder(const QString &source, const QString &destination);

// Appends to list the names of the folder's sub-folders (hidden ones excluded).
void ListSubfolders(const QString &folder, QStringList &list);

// Appends folder + name of every ordinary, not hidden file of the folder
// whose name begins with prefix (letter case ignored).
void ListFilesWithPrefix(const QString &folder, const QString &prefix, QStringList &list);
