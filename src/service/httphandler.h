#pragma once
// Interface of every object that receives service replies. The request client
// calls it directly from its dispatcher; implementers also declare both
// operations as slots.

#include "service/requestname.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QString>

class QWidget;

class HttpHandler {
public:
    virtual ~HttpHandler() = default;

    // The complete body of a reply that finished without a transport error.
    virtual void handleHttpResponse(RequestName::Name name, const QByteArray &data) = 0;

    // A transport failure (Qt's error number and text) or a service failure
    // (the envelope's "code" and "msg"). The default shows the service error
    // box over parent and returns the pressed button.
    virtual int handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                                const QString &errorMsg, QWidget *parent = nullptr);

protected:
    HttpHandler() = default;
    HttpHandler(const HttpHandler &) = default;
    HttpHandler &operator=(const HttpHandler &) = default;
};
