#pragma once
// What a download job needs of the page that asked for it. The web UI
// implements it; downloads know nothing of the window or the web runtime.

class QString;

class DownloadPage {
public:
    virtual ~DownloadPage() = default;

    // A progress step, counts as the page's 32-bit numbers (-1: total unknown).
    // True when the page wants the download to go on.
    virtual bool reportProgress(int bytesReceived, int bytesTotal) = 0;
    // The one finish report of a download (a PageProtocol::FinishCode).
    virtual void reportFinish(int code, const QString &path, const QString &message) = 0;
    // A redirect's successor could not start: its start result, told just
    // before the failure report, so the page need not read it from the message.
    virtual void reportRedirectFailed(int startResult) = 0;
    // Why a download failed (a PageProtocol::FailReason word), told just
    // before its failure report.
    virtual void reportFailReason(const QString &reason) = 0;
    // Who signed a finished download, once that is known (after its finish
    // report): the path, the verdict (a PageProtocol::Publisher word) and the
    // signer's name.
    virtual void reportPublisher(const QString &path, const QString &verdict,
                                 const QString &signer) = 0;
    // Asks whether an already downloaded file is fetched again; true for Yes.
    virtual bool askRedownload(const QString &path) = 0;
    // Says that the file cannot be saved, and why.
    virtual void showCannotSave(const QString &path, const QString &reason) = 0;

protected:
    DownloadPage() = default;
    DownloadPage(const DownloadPage &) = default;
    DownloadPage &operator=(const DownloadPage &) = default;
};
