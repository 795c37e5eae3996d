#pragma once
// The files downloads have saved, so that a file of the same name the program
// did not write (or that changed since) is never replaced: the record keeps
// each file's path, size and modification time, in the application's data
// folder.

#include <QDateTime>
#include <QString>

namespace SavedFiles {

// Records the file at path, as it is now, as one the program saved.
void remember(const QString &path);
// Whether the file at path is one the program saved and nobody changed since.
bool isOurs(const QString &path);
// When the program saved the file at path; invalid when it did not.
QDateTime savedAt(const QString &path);
// The path itself when nothing is there or the file there is ours; otherwise
// the first free "name (2).ext", "name (3).ext"… beside it.
QString placeFor(const QString &path);

} // namespace SavedFiles
