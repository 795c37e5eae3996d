#pragma once
// The two modal boxes a download can raise when it starts: the question
// before an existing file is replaced, and the "cannot save" error.

#include <QMessageBox>
#include <QString>

#include <optional>

class QWidget;

class DownloadPrompt final {
public:
    DownloadPrompt() = delete;

    // Asks whether an already downloaded file is fetched again; true for Yes.
    // Closing the box counts as No.
    static bool askRedownload(QWidget *parent, const QString &path);
    // Says that the file cannot be saved, with the system's reason.
    static void showCannotSave(QWidget *parent, const QString &path, const QString &reason);

    // For testing: the next box answers itself with this button once it is
    // shown (NoButton: it is closed), and what it showed is kept for lastShown().
    static void setNextAnswer(QMessageBox::StandardButton button);

    struct Shown {
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QWidget *parent = nullptr;
    };
    // For testing: the last box answered through setNextAnswer(), if any.
    static std::optional<Shown> lastShown();
    static void clearLastShown();
};
