#include "devservice.h"

#include <algorithm>
#include <cstdint>

// Driver installers, generated rather than stored:
//   /drivers/<name>?size=N&chunked=1&rate=B&break=N&referer=V
// size: bytes (default 1 MiB); chunked: no length header; rate: bytes per
// second; break: the connection is cut after N bytes; referer: 403 unless the
// "Referer" header equals V. Byte i of every file is i % 251.
//   /redirect/301/<rest>, /redirect/302/<rest>: redirect to /<rest> with the
// same query.

namespace {
constexpr uint64_t kDefaultSize = 1024 * 1024;
constexpr uint64_t kBlockSize = 64 * 1024;

uint64_t numberParam(const httplib::Request &req, const char *name, uint64_t fallback)
{
    if (!req.has_param(name))
        return fallback;
    try {
        return std::stoull(req.get_param_value(name));
    } catch (const std::exception &) {
        return fallback;
    }
}

std::string pattern(uint64_t offset, size_t length)
{
    std::string data(length, '\0');
    for (size_t i = 0; i < length; ++i)
        data[i] = static_cast<char>((offset + i) % 251);
    return data;
}
} // namespace

void DevService::installDriverFiles(httplib::Server &server)
{
    server.Get(
        R"(/drivers/(.+))", route([this](const httplib::Request &req, httplib::Response &res) {
            const uint64_t size = numberParam(req, "size", kDefaultSize);
            const bool chunked = req.get_param_value("chunked") == "1";
            const uint64_t rate = numberParam(req, "rate", 0);
            const uint64_t limit = std::min(numberParam(req, "break", size), size);
            const std::string referer = req.get_param_value("referer");

            if (!referer.empty() && req.get_header_value("Referer") != referer) {
                res.status = 403;
                res.set_content("Forbidden: wrong or missing Referer\n", "text/plain");
                return;
            }
            if (size == 0) {
                res.set_content(std::string(), "application/octet-stream");
                return;
            }

            const auto provide = [this, size, limit, rate, chunked](size_t offset,
                                                                    httplib::DataSink &sink) {
                if (offset >= limit) {
                    if (limit < size)
                        return false; // cut the transfer half-way
                    if (chunked)
                        sink.done();
                    return true;
                }
                uint64_t length = std::min<uint64_t>(kBlockSize, limit - offset);
                if (rate > 0) {
                    length = std::min<uint64_t>(length, std::max<uint64_t>(1, rate / 10));
                    if (!wait(std::chrono::milliseconds(length * 1000 / rate)))
                        return false;
                }
                const std::string data = pattern(offset, static_cast<size_t>(length));
                return sink.write(data.data(), data.size());
            };

            if (chunked) {
                res.set_chunked_content_provider("application/octet-stream", provide);
            } else {
                res.set_content_provider(static_cast<size_t>(size), "application/octet-stream",
                                         [provide](size_t offset, size_t, httplib::DataSink &sink) {
                                             return provide(offset, sink);
                                         });
            }
        }));

    server.Get(R"(/redirect/(301|302)/.+)",
               route([](const httplib::Request &req, httplib::Response &res) {
                   // The rest of the raw target keeps its escapes and its query.
                   const std::string prefix = "/redirect/" + req.matches[1].str();
                   res.set_redirect(baseUrl(req) + req.target.substr(prefix.size()),
                                    std::stoi(req.matches[1].str()));
               }));
}
