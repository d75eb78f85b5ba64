#pragma once

#include <QString>

// File and folder names in a workspace are compared without regard to ASCII
// letter case: files written as "_JK.XML" are later asked for as "_JK.xml".
// These helpers find the existing spelling of a path on a case-sensitive
// file system, so readers find the file and writers replace it rather than
// creating a second one beside it.

// Joins folder and name with exactly one "/" between them.
QString JoinPath(const QString &folder, const QString &name);

// Returns path with every component that exists under another letter case
// replaced by its existing spelling. Components that do not exist at all are
// kept as given (so the result names where a new file would be created).
QString ResolveCaseInsensitive(const QString &path);

// True when a file (not a folder) exists at path under any letter case.
bool FileExistsAnyCase(const QString &path);
// True when a folder exists at path under any letter case.
bool FolderExistsAnyCase(const QString &path);

// Checks a file name read from a document (a DS or Transfer name, a CRC
// document name, a DATAFILE NAME) before it is joined to a folder: "\" is
// read as a folder separator; an absolute name, a drive letter or a ".."
// component is refused with a TUserError naming it. Returns the cleaned
// relative name with "/" separators.
QString SafeRelativeName(const QString &name);

// SafeRelativeName(name) joined to folder and resolved without regard to case.
QString ResolveInFolder(const QString &folder, const QString &name);

// Whether two paths name the same folder: compared after resolving letter
// case and links (as written, made absolute, when a folder does not exist),
// without regard to ASCII case.
bool SameFolder(const QString &a, const QString &b);

// The name part of a path (after the last "/" or "\").
QString FileNamePart(const QString &path);
