#include "downloads/downloadprompt.h"

#include "base/scriptedmessagebox.h"

#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>

bool DownloadPrompt::askRedownload(QWidget *parent, const QString &path)
{
    QMessageBox box(
        QMessageBox::Question, QCoreApplication::translate("DownloaderObj", "重新下载"),
        QCoreApplication::translate("DownloaderObj", " %1.已经下载好了， 是否重新下载?").arg(path),
        QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return ScriptedMessageBox::exec(box) == QMessageBox::Yes;
}

void DownloadPrompt::showCannotSave(QWidget *parent, const QString &path, const QString &reason)
{
    QMessageBox box(QMessageBox::Information, QCoreApplication::translate("DownloaderObj", "错误"),
                    QCoreApplication::translate("DownloaderObj", "无法保存文件 %1: %2.")
                        .arg(QDir::toNativeSeparators(path), reason),
                    QMessageBox::Ok, parent);
    ScriptedMessageBox::exec(box);
}
