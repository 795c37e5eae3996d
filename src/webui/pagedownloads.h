#pragma once
// The page side of the downloads: progress and finish reports become calls of
// the page's functions, and boxes open over the window.

#include "downloads/downloadpage.h"

#include <QPointer>

class DownloaderObjManager;
class MiniblinkDialog;

class PageDownloads final : public DownloadPage {
public:
    explicit PageDownloads(MiniblinkDialog *window);

    bool reportProgress(int bytesReceived, int bytesTotal) override;
    void reportFinish(int code, const QString &path, const QString &message) override;
    void reportRedirectFailed(int startResult) override;
    void reportFailReason(const QString &reason) override;
    void reportPublisher(const QString &path, const QString &verdict,
                         const QString &signer) override;
    bool askRedownload(const QString &path) override;
    void showCannotSave(const QString &path, const QString &reason) override;

    // The window's download manager, made by the first download.
    static DownloaderObjManager *managerOf(MiniblinkDialog *window);

private:
    QPointer<MiniblinkDialog> m_window;
};
