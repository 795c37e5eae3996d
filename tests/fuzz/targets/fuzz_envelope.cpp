// The body of a service reply.

#include "fuzzcheck.h"

#include "service/responseenvelope.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const ResponseEnvelope envelope = ResponseEnvelope::parse(body);
    require(envelope.succeeded() == (envelope.code == 1), "success is code 1");
    return 0;
}
