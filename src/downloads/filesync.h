#pragma once
// What a part file needs of the operating system beyond Qt: an exclusive lock
// that keeps a second process off the same download, data on the disk itself
// before the file takes its name, and a rename that is on the disk too.

#include <string>

namespace FileSync {

// Takes an exclusive lock on the open file without waiting; false when another
// holder has it (or the file is no longer the one at path). Released when the
// file is closed.
bool lock(int fd, const std::u16string &path);
// Writes the file's data through to the disk (fsync, FlushFileBuffers).
bool flush(int fd);
// Starts writing what the file holds to the disk without waiting, so that the
// flush at the end has little left to do.
void startWriteBack(int fd);
// Renames from over to, replacing it, and has the rename reach the disk.
bool replace(const std::u16string &from, const std::u16string &to);

} // namespace FileSync
