#include "service/requestname.h"

#include "service/httphandler.h"

namespace {
int &liveTags()
{
    static int count = 0;
    return count;
}
} // namespace

RequestName::RequestName(Name name, HttpHandler *handler)
    : m_name(name), m_handler(handler), m_handlerObject(dynamic_cast<QObject *>(handler)),
      m_tracked(!m_handlerObject.isNull())
{
    ++liveTags();
}

RequestName::~RequestName()
{
    --liveTags();
}

int RequestName::liveCount()
{
    return liveTags();
}
