// The floor for start-up: QtWebKit alone, no program around it. Shows a view
// of the size of Tessaly's window, loads the same start page from the html
// folder beside it and prints "loadedjs" when the page announces that it is
// ready, exactly as the page does inside Tessaly (its bridge call "eMsg"),
// then, when the page has listed its adapters, "adapters shown".
//
//   tessaly-bareengine [html-folder]   (default: html beside the program)

#include <QApplication>
#include <QDir>
#include <QUrl>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>

#include <cstdio>

namespace {

// Console lines are how the page reports back here.
class ReportingPage final : public QWebPage {
public:
    using QWebPage::QWebPage;

protected:
    void javaScriptConsoleMessage(const QString &message, int, const QString &) override
    {
        if (message == QLatin1String("loadedjs") ||
            message.startsWith(QLatin1String("adapters shown"))) {
            std::printf("%s\n", qPrintable(message));
            std::fflush(stdout);
        }
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString html = argc > 1
                             ? QString::fromLocal8Bit(argv[1])
                             : QCoreApplication::applicationDirPath() + QStringLiteral("/html");

    QWebView view;
    auto *page = new ReportingPage(&view);
    view.setPage(page);
    // The page calls eMsg("loadedjs") once its scripts have run; nothing else
    // of the bridge is there, so the page works with what it finds.
    QObject::connect(page->mainFrame(), &QWebFrame::javaScriptWindowObjectCleared, page, [page] {
        page->mainFrame()->evaluateJavaScript(
            QStringLiteral("window.eMsg = function (m) { if (m === 'loadedjs') "
                           "console.log('loadedjs'); return true; };"));
    });
    view.resize(800, 600);
    view.show();
    view.load(QUrl::fromLocalFile(QDir(html).absoluteFilePath(QStringLiteral("index.html"))));
    return QApplication::exec();
}
