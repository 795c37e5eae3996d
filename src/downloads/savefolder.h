#pragma once
// The folder downloads are saved into: a field of the user record, so it
// travels with the user file.

#include <QString>

// The save folder in QDir form. With none chosen, the Documents folder plus
// "/驱动" is stored as the choice. The folder is created if missing.
QString saveFolder();

// Stores a chosen folder exactly as given (no check, no creation) and writes
// the user file at once, so the choice is not lost if the program is killed.
// An empty text brings the default back at the next use.
void storeSaveFolder(const QString &folder);
