#pragma once
// Turns a download address into the name of the file it is saved under.

#include <QString>

namespace DownloadFileName {

// A plain file name that stays inside the folder it is joined to on every
// platform: separators, characters that file systems reject and control
// characters become "_", trailing dots and blanks are dropped (so "." and ".."
// vanish), and device names such as "NUL" get a leading "_". May be empty.
QString clean(const QString &name);

// The decoded last path segment of the address, cleaned; when nothing is left,
// the cleaned fallback followed by ".exe".
QString forUrl(const QString &url, const QString &fallbackName);

} // namespace DownloadFileName
