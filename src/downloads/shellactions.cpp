#include "downloads/shellactions.h"

#include "account/user.h"
#include "base/vendorpages.h"
#include "downloads/savefolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

namespace ShellActions {

namespace {

std::optional<QString> &nextChosenFolder()
{
    static std::optional<QString> folder;
    return folder;
}

void openInBrowser(const QString &address)
{
    QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}

} // namespace

void openContainingFolder(const QString &path)
{
    const QFileInfo info(path);
    const QString folder = info.isDir() ? path : info.path();
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool openSaveFolder()
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(saveFolder()));
}

QString chooseSaveFolder(QWidget *parent)
{
    QString folder;
    if (nextChosenFolder()) {
        folder = *nextChosenFolder();
        nextChosenFolder().reset();
    } else {
        folder = QFileDialog::getExistingDirectory(parent, QObject::tr("选择目录"), QString(),
                                                   QFileDialog::ShowDirsOnly |
                                                       QFileDialog::DontResolveSymlinks);
    }
    storeSaveFolder(folder);
    return folder;
}

void openServicePage()
{
    openInBrowser(User::instance()->serviceLink());
}

void openTutorial()
{
    openInBrowser(User::instance()->learningPage());
}

bool isVendorPage(const QUrl &url)
{
    return VendorPages::isVendorAddress(url);
}

bool openVendorPage(const QString &address)
{
    const QUrl url(address, QUrl::StrictMode);
    return isVendorPage(url) && QDesktopServices::openUrl(url);
}

QStringList explorerArguments(const QString &path, bool isDirectory)
{
    QString native = path;
    native.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (isDirectory)
        return {native};
    return {QStringLiteral("/select,"), native};
}

FileManagerRequest fileManagerRequest(const QString &path, bool isDirectory)
{
    const QString uri =
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    return {isDirectory ? QStringLiteral("ShowFolders") : QStringLiteral("ShowItems"), {uri}};
}

void setNextChosenFolder(const std::optional<QString> &folder)
{
    nextChosenFolder() = folder;
}

} // namespace ShellActions
