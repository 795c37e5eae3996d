#include "downloads/downloadprompt.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>

namespace {

std::optional<QMessageBox::StandardButton> &nextAnswer()
{
    static std::optional<QMessageBox::StandardButton> answer;
    return answer;
}

std::optional<DownloadPrompt::Shown> &shown()
{
    static std::optional<DownloadPrompt::Shown> box;
    return box;
}

int run(QMessageBox &box)
{
    if (nextAnswer()) {
        const QMessageBox::StandardButton answer = *nextAnswer();
        nextAnswer().reset();
        QTimer::singleShot(0, &box, [&box, answer] {
            shown() =
                DownloadPrompt::Shown{box.windowTitle(), box.text(), box.standardButtons(),
                                      box.standardButton(box.defaultButton()), box.parentWidget()};
            if (QAbstractButton *button = box.button(answer))
                button->click();
            else
                box.close(); // as the window's close button does
        });
    }
    return box.exec();
}

} // namespace

bool DownloadPrompt::askRedownload(QWidget *parent, const QString &path)
{
    QMessageBox box(
        QMessageBox::Question, QCoreApplication::translate("DownloaderObj", "重新下载"),
        QCoreApplication::translate("DownloaderObj", " %1.已经下载好了， 是否重新下载?").arg(path),
        QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return run(box) == QMessageBox::Yes;
}

void DownloadPrompt::showCannotSave(QWidget *parent, const QString &path, const QString &reason)
{
    QMessageBox box(QMessageBox::Information, QCoreApplication::translate("DownloaderObj", "错误"),
                    QCoreApplication::translate("DownloaderObj", "无法保存文件 %1: %2.")
                        .arg(QDir::toNativeSeparators(path), reason),
                    QMessageBox::Ok, parent);
    run(box);
}

void DownloadPrompt::setNextAnswer(QMessageBox::StandardButton button)
{
    nextAnswer() = button;
}

std::optional<DownloadPrompt::Shown> DownloadPrompt::lastShown()
{
    return shown();
}

void DownloadPrompt::clearLastShown()
{
    shown().reset();
}
