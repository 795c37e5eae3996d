#pragma once
// Work the native side hands to the desktop shell: showing a file in the file
// manager, opening the save folder or a web page, and choosing the save folder.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class QWidget;

namespace ShellActions {

// Shows a file selected in its folder, or a folder itself, in the file
// manager. Fire and forget: on failure the containing folder is opened.
void revealInFolder(const QString &path);

// Opens a folder, or the folder that holds a file, with the default handler.
void openContainingFolder(const QString &path);

// Opens the save folder (created if missing); true if the system took the request.
bool openSaveFolder();

// Lets the user pick the save folder and stores the answer, "" when cancelled
// (which brings the default folder back).
QString chooseSaveFolder(QWidget *parent);

// Open the customer-service chat and the tutorial in the default browser.
void openServicePage();
void openTutorial();

// A graphics vendor's own web page (https on nvidia.com, amd.com, ati.com or
// intel.com, or a host below them), such as its driver search: the pages name
// them for adapters without a package. Anything else is refused (false), so
// page script cannot send the browser elsewhere.
bool isVendorPage(const QUrl &url);
bool openVendorPage(const QString &address);

// The arguments that make explorer select a file in its folder, or open a folder.
QStringList explorerArguments(const QString &path, bool isDirectory);

// What the freedesktop file manager is asked to show, and how.
struct FileManagerRequest {
    QString method; // "ShowItems" (a file, selected) or "ShowFolders"
    QStringList uris;
};
FileManagerRequest fileManagerRequest(const QString &path, bool isDirectory);

// For tests: the next folder chooser answers with this text instead of asking.
void setNextChosenFolder(const std::optional<QString> &folder);

} // namespace ShellActions
