#include "service/messageboxtitle.h"

#include <QObject>

namespace {
const QString g_messageBoxTitle = QObject::tr("提示");
} // namespace

const QString &messageBoxTitle()
{
    return g_messageBoxTitle;
}
