#include "service/responseenvelope.h"

#include <QJsonDocument>
#include <QJsonObject>

ResponseEnvelope ResponseEnvelope::parse(const QByteArray &body)
{
    // Read as UTF-8 text first, so broken sequences cannot break the parse.
    const QJsonObject object = QJsonDocument::fromJson(QString::fromUtf8(body).toUtf8()).object();
    ResponseEnvelope envelope;
    envelope.code = object.value(QStringLiteral("code")).toInt();
    envelope.data = object.value(QStringLiteral("data"));
    envelope.msg = object.value(QStringLiteral("msg")).toString();
    return envelope;
}
