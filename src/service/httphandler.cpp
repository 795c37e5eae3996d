#include "service/httphandler.h"

#include "service/serviceerrorbox.h"

int HttpHandler::handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                                 const QString &errorMsg, QWidget *parent)
{
    return ServiceErrorBox::ask(parent,
                                ServiceErrorBox::text(name, static_cast<int>(error), errorMsg));
}
