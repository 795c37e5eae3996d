#pragma once
// The one box every failed service request ends in: names the request, the
// error number and its explanation, and offers the customer-service chat.

#include "service/requestname.h"

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
};
