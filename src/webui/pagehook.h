#pragma once
// Serves the local pages: every request of the web view passes through here
// before it could reach the network.

#include <wke.h>

#include <QByteArray>
#include <QString>

namespace PageHook {

// Every local page and resource is addressed under this prefix; the host is a
// reserved test name that never resolves.
inline constexpr char kPagePrefix[] = "http://page.test/";
// Answered with a fixed body, for checking the hook itself.
inline constexpr char kLoopbackTestPrefix[] = "http://127.0.0.1:12222";
// The one address allowed to reach the network.
inline constexpr char kExternalTestAddress[] = "http://example.com/";

// The file that answers the relative path (the part of the decoded address after
// the prefix): inside the "html" folder of exeDir, else beside the executable.
// Empty when the path, or the file a symbolic link leads to, lies outside both
// folders.
QString resolveFile(const QString &exeDir, const QString &relativePath);

// The body for a decoded address that starts with the prefix; empty when there
// is no file or the address does not start with the prefix.
QByteArray pageContent(const QString &exeDir, const QByteArray &decodedUrl);

// The platform's half (pagehook_win.cpp, pagehook_linux.cpp):
// the folder of the running program;
QString programFolder();
// where the file for a relative path is looked for, written the platform's way:
// in the "html" folder of folder, or (besideProgram) beside the program;
QString pagePath(const QString &folder, const QString &relativePath, bool besideProgram);
// the whole content of an existing file, empty when it cannot be read.
QByteArray readPage(const QString &path);

// The callback registered with wkeOnLoadUrlBegin.
bool WKE_CALL onLoadUrlBegin(wkeWebView view, void *param, const char *url, wkeNetJob job);

} // namespace PageHook
