#include "downloads/filesync.h"

#include <windows.h>

#include <io.h>

namespace FileSync {

namespace {

HANDLE handleOf(int fd)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

std::wstring wide(const std::u16string &path)
{
    return std::wstring(path.begin(), path.end());
}

} // namespace

bool lock(int fd, const std::u16string &)
{
    // Windows refuses to delete a file another process holds open, so the
    // file at the path is the one locked.
    const HANDLE file = handleOf(fd);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    OVERLAPPED whole{};
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                      MAXDWORD, &whole) != 0;
}

bool flush(int fd)
{
    const HANDLE file = handleOf(fd);
    return file != INVALID_HANDLE_VALUE && FlushFileBuffers(file) != 0;
}

// Windows' lazy writer already writes behind.
void startWriteBack(int) {}

bool replace(const std::u16string &from, const std::u16string &to)
{
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

} // namespace FileSync
