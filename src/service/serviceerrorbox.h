#pragma once
// The one box every failed service request ends in: names the request, the
// error number and its explanation, and offers the customer-service chat.

#include "service/requestname.h"

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

class ServiceErrorBox final {
public:
    ServiceErrorBox() = delete;

    // The box's question for a failed request of kind name.
    static QString text(RequestName::Name name, int error, const QString &errorMsg);

    // Shows a modal critical box with OK and Cancel over parent; OK opens the
    // customer-service link in the browser. Returns the pressed button.
    static int ask(QWidget *parent, const QString &text);

    // Builds the customer-service link when OK is pressed. The account module
    // registers its own builder; until then the plain chat address is used.
    using LinkSource = std::function<QString()>;
    static void setLinkSource(LinkSource source);

    // For testing: the next box answers itself with this button as soon as it
    // is shown (NoButton: it is closed), and what it showed is kept for
    // lastShown().
    static void setNextAnswer(QMessageBox::StandardButton button);

    struct Shown {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        bool modal = false;
        QWidget *parent = nullptr;
    };
    // For testing: the last box answered through setNextAnswer().
    static Shown lastShown();
};
