#pragma once
// Turns a download address into the name of the file it is saved under.

#include <QString>

namespace DownloadFileName {

// File systems take names of at most 255 bytes; the part file's name adds a
// suffix to the name, and must fit too.
constexpr int kPartSuffixBytes = 14;
constexpr int kMaxNameBytes = 255 - kPartSuffixBytes;

// A plain file name that stays inside the folder it is joined to on every
// platform: separators, characters that file systems reject and control
// characters become "_", bidirectional controls (which can disguise an
// extension) are dropped, trailing dots and blanks and leading ones are dropped (so "." and
// ".." vanish), and Windows device names such as "NUL", "COM¹" or "CON .exe"
// get a leading "_". Names longer than kMaxNameBytes in UTF-8 are shortened
// on a character boundary, keeping their extension. May be empty.
QString clean(const QString &name);

// The decoded last path segment of the address, cleaned; when nothing is left,
// the cleaned fallback followed by ".exe".
QString forUrl(const QString &url, const QString &fallbackName);

// The file a download of address is written to, beside the file called name,
// until the body is complete and checked: "<name>.<8 hex digits>.part", the
// digits a hash of the address, so that only a download of the same address
// takes up a part file again.
QString partName(const QString &name, const QString &address);
// The 8 hex digits that stand for the address.
QString addressKey(const QString &address);

} // namespace DownloadFileName
