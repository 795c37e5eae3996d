#pragma once
// The JSON object every service reply carries: "code" (1 means success),
// "data" and "msg". Each handler reads its replies through this.

#include <QByteArray>
#include <QJsonValue>
#include <QString>

struct ResponseEnvelope {
    int code = 0;
    QJsonValue data;
    QString msg;

    bool succeeded() const { return code == 1; }

    // A body that is not a JSON object reads as code 0 with no data or msg.
    static ResponseEnvelope parse(const QByteArray &body);
};
