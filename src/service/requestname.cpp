#include "service/requestname.h"

namespace {
int &liveTags()
{
    static int count = 0;
    return count;
}
} // namespace

RequestName::RequestName(Name name, HttpHandler *handler) : m_name(name), m_handler(handler)
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
