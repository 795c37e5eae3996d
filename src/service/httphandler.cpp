#include "service/httphandler.h"

#include "base/logcategories.h"
#include "service/serviceerrorbox.h"

#include <QMetaEnum>

int HttpHandler::handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                                 const QString &errorMsg, QWidget *parent)
{
    // Transport failures were logged with their address when they arrived;
    // this line also holds the service's own refusals ("code" and "msg").
    qCWarning(lcService).noquote()
        << "service request" << QMetaEnum::fromType<RequestName::Name>().valueToKey(name)
        << "ends with code" << int(error) << errorMsg;
    return ServiceErrorBox::ask(parent,
                                ServiceErrorBox::text(name, static_cast<int>(error), errorMsg));
}
