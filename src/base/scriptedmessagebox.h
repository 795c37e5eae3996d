#pragma once
// Runs the program's modal message boxes. Tests tell a box its answer ahead of
// time; the box is then really shown and answered from its own event loop, so
// the code under test runs exactly as it does for a person.

#include <QMessageBox>
#include <QString>

#include <optional>

class QWidget;

class ScriptedMessageBox final {
public:
    ScriptedMessageBox() = delete;

    // Runs box modally and returns the pressed button.
    static int exec(QMessageBox &box);

    // For testing: the next box answers itself with this button once it is
    // shown (NoButton, or a button the box lacks: it is closed, as the
    // window's close button does), and what it showed is kept for lastShown().
    static void setNextAnswer(QMessageBox::StandardButton button);

    struct Shown {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        bool modal = false;
        QWidget *parent = nullptr;
        Qt::TextFormat textFormat = Qt::AutoText;
    };
    // For testing: the last box answered through setNextAnswer(), if any.
    static std::optional<Shown> lastShown();
    static void clearLastShown();
};
