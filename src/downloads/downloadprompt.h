#pragma once
// The two modal boxes a download can raise when it starts: the question
// before an existing file is replaced, and the "cannot save" error.

#include <QString>

class QWidget;

class DownloadPrompt final {
public:
    DownloadPrompt() = delete;

    // Asks whether an already downloaded file is fetched again; true for Yes.
    // Closing the box counts as No.
    static bool askRedownload(QWidget *parent, const QString &path);
    // Says that the file cannot be saved, with the system's reason.
    static void showCannotSave(QWidget *parent, const QString &path, const QString &reason);
};
