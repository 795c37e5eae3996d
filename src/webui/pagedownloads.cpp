#include "webui/pagedownloads.h"

#include "base/pageprotocol.h"
#include "downloads/downloaderobjmanager.h"
#include "downloads/downloadprompt.h"
#include "webui/miniblinkdialog.h"
#include "webui/pagecaller.h"

namespace {
wkeWebView viewOf(const MiniblinkDialog *window)
{
    return window ? window->webView() : nullptr;
}
} // namespace

PageDownloads::PageDownloads(MiniblinkDialog *window) : m_window(window) {}

bool PageDownloads::reportProgress(int bytesReceived, int bytesTotal)
{
    return callPageFunction(viewOf(m_window), PageProtocol::PageFunction::kProgress,
                            {bytesReceived, bytesTotal});
}

void PageDownloads::reportFinish(int code, const QString &path, const QString &message)
{
    callPageFunction(viewOf(m_window), PageProtocol::PageFunction::kFinish, {code, path, message});
}

void PageDownloads::reportRedirectFailed(int startResult)
{
    callPageFunction(viewOf(m_window), PageProtocol::PageFunction::kRedirectFailed, {startResult});
}

void PageDownloads::reportFailReason(const QString &reason)
{
    callPageFunction(viewOf(m_window), PageProtocol::PageFunction::kFailReason, {reason});
}

void PageDownloads::reportPublisher(const QString &path, const QString &verdict,
                                    const QString &signer)
{
    callPageFunction(viewOf(m_window), PageProtocol::PageFunction::kPublisher,
                     {path, verdict, signer});
}

bool PageDownloads::askRedownload(const QString &path)
{
    return DownloadPrompt::askRedownload(m_window, path);
}

void PageDownloads::showCannotSave(const QString &path, const QString &reason)
{
    DownloadPrompt::showCannotSave(m_window, path, reason);
}

DownloaderObjManager *PageDownloads::managerOf(MiniblinkDialog *window)
{
    auto *manager =
        window->findChild<DownloaderObjManager *>(QString(), Qt::FindDirectChildrenOnly);
    if (!manager)
        manager = new DownloaderObjManager(window, std::make_unique<PageDownloads>(window));
    return manager;
}
