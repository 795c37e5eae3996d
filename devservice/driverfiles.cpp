#include "devservice.h"

#include <zlib.h>

#include <cctype>

#include <algorithm>
#include <cstdint>
#include <limits>

// Driver installers, generated rather than stored:
//   /drivers/<name>?size=N&chunked=1&rate=B&break=N&stall=N&referer=V&gzip=G&ranges=R
// size: bytes (default 1 MiB); chunked: no length header; rate: bytes per
// second; break: the connection is cut at byte N of the file, in the first
// answer for the address only (a network that drops once); stall: the
// answer stops at byte N of the file and the connection stays open, silent,
// until the service ends; referer: 403 unless the "Referer" header equals V;
// gzip=1: the body is gzip-encoded when the request accepts gzip, gzip=always:
// whatever it accepts (break then counts bytes before encoding).
// Byte i of every file is i % 251, but for the first two: "MZ" as Windows
// programs start, or "PK" for a .zip.
// Every file has the ETag "<size>" (etag=0: none); a Range request whose
// If-Range names another gets the whole file.
//
// A "Range: bytes=A-" or "bytes=A-B" request of a file with a length gets 206
// with its Content-Range (416 past the end); stall only hits answers that
// start at or before its byte, so a download resumed past it gets through.
// ranges=0: Range is ignored (200, the whole file); ranges=wrong: the 206
// names the wrong range (it claims to start at 0).
//   /redirect/301/<rest>, /redirect/302/<rest>: redirect to /<rest> with the
// same query.
// Both also answer the absolute addresses that requests through a proxy carry.

namespace {
constexpr uint64_t kDefaultSize = 1024 * 1024;
constexpr uint64_t kBlockSize = 64 * 1024;
constexpr uint64_t kNone = std::numeric_limits<uint64_t>::max();
// Compressed bodies are built in memory.
constexpr uint64_t kMaxGzipSize = 64 * 1024 * 1024;

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

std::string magicOf(std::string name)
{
    for (char &c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool zip = name.size() >= 4 && name.compare(name.size() - 4, 4, ".zip") == 0;
    return zip ? "PK" : "MZ";
}

// Byte i of the pattern is i % 251: this table holds it from any phase for a
// whole block, so a block is one copy (the benchmarks share the machine with
// this server, and a byte-by-byte loop took as much CPU as the client).
const char *periodFrom(uint64_t offset)
{
    static const std::string table = [] {
        std::string bytes(kBlockSize + 251, '\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i % 251);
        return bytes;
    }();
    return table.data() + offset % 251;
}

std::string pattern(uint64_t offset, size_t length, const std::string &magic)
{
    std::string data;
    data.reserve(length);
    for (size_t done = 0; done < length;) {
        const size_t piece = std::min<size_t>(kBlockSize, length - done);
        data.append(periodFrom(offset + done), piece);
        done += piece;
    }
    for (uint64_t at = offset; at < magic.size() && at - offset < length; ++at)
        data[at - offset] = magic[at];
    return data;
}

// The gzip stream of the file's first `length` bytes; a complete stream when
// `finish`, else one flushed so far that a decoder reads all of them.
std::string gzipped(uint64_t length, bool finish, const std::string &magic)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        return std::string();
    std::string input = pattern(0, static_cast<size_t>(length), magic);
    std::string output(deflateBound(&stream, static_cast<uLong>(input.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef *>(input.data());
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = reinterpret_cast<Bytef *>(output.data());
    stream.avail_out = static_cast<uInt>(output.size());
    deflate(&stream, finish ? Z_FINISH : Z_SYNC_FLUSH);
    output.resize(stream.total_out);
    deflateEnd(&stream);
    return output;
}

// "bytes=A-" or "bytes=A-B"; false for anything else (several ranges, suffixes).
bool parseRange(const std::string &header, uint64_t &first, uint64_t &last)
{
    const std::string unit = "bytes=";
    if (header.compare(0, unit.size(), unit) != 0)
        return false;
    const std::string bounds = header.substr(unit.size());
    const auto dash = bounds.find('-');
    if (dash == std::string::npos || dash == 0 || bounds.find(',') != std::string::npos)
        return false;
    try {
        first = std::stoull(bounds.substr(0, dash));
        last = dash + 1 < bounds.size() ? std::stoull(bounds.substr(dash + 1)) : kNone;
    } catch (const std::exception &) {
        return false;
    }
    return last >= first;
}
} // namespace

void DevService::installDriverFiles(httplib::Server &server)
{
    server.Get(
        R"((?:https?://[^/]+)?/drivers/(.+))",
        route([this](const httplib::Request &req, httplib::Response &res) {
            const uint64_t size = numberParam(req, "size", kDefaultSize);
            const bool chunked = req.get_param_value("chunked") == "1";
            const uint64_t rate = numberParam(req, "rate", 0);
            const uint64_t breakAt = numberParam(req, "break", kNone);
            const uint64_t stallAt = numberParam(req, "stall", kNone);
            const std::string referer = req.get_param_value("referer");
            const std::string gzip = req.get_param_value("gzip");
            const std::string ranges = req.get_param_value("ranges");
            const std::string magic = magicOf(req.matches[1].str());
            const std::string etag = "\"" + std::to_string(size) + "\"";
            const bool sameVersion =
                !req.has_header("If-Range") || req.get_header_value("If-Range") == etag;

            // httplib answers Range requests on its own; here the options decide.
            const_cast<httplib::Request &>(req).ranges.clear();

            if (!referer.empty() && req.get_header_value("Referer") != referer) {
                res.status = 403;
                res.set_content("Forbidden: wrong or missing Referer\n", "text/plain");
                return;
            }

            const bool acceptsGzip =
                req.get_header_value("Accept-Encoding").find("gzip") != std::string::npos;
            if (gzip == "always" || (gzip == "1" && acceptsGzip)) {
                if (size > kMaxGzipSize) {
                    res.status = 400;
                    res.set_content("gzip only for files up to 64 MiB\n", "text/plain");
                    return;
                }
                const std::string whole = gzipped(size, true, magic);
                std::string sent = whole;
                if (breakAt < size && breakOnce(localPath(req.target)))
                    sent = gzipped(breakAt, false, magic).substr(0, whole.size() - 1);
                res.set_header("Content-Encoding", "gzip");
                res.set_content_provider(whole.size(), "application/octet-stream",
                                         [sent](size_t offset, size_t, httplib::DataSink &sink) {
                                             if (offset >= sent.size())
                                                 return false; // cut the transfer half-way
                                             const size_t length =
                                                 std::min<size_t>(kBlockSize, sent.size() - offset);
                                             return sink.write(sent.data() + offset, length);
                                         });
                return;
            }

            uint64_t start = 0;
            uint64_t end = size;
            uint64_t first = 0;
            uint64_t last = 0;
            if (req.get_param_value("etag") != "0")
                res.set_header("ETag", etag);
            if (!chunked && ranges != "0" && sameVersion &&
                parseRange(req.get_header_value("Range"), first, last)) {
                if (first >= size) {
                    res.status = 416;
                    res.set_header("Content-Range", "bytes */" + std::to_string(size));
                    return;
                }
                start = first;
                end = std::min(last == kNone ? size : last + 1, size);
                const uint64_t claimed = ranges == "wrong" ? 0 : start;
                res.status = 206;
                res.set_header("Content-Range", "bytes " + std::to_string(claimed) + "-" +
                                                    std::to_string(claimed + end - start - 1) +
                                                    "/" + std::to_string(size));
            }
            if (end == start) {
                res.set_content(std::string(), "application/octet-stream");
                return;
            }

            const uint64_t cut =
                breakAt < end && start < breakAt && breakOnce(localPath(req.target)) ? breakAt
                                                                                     : kNone;
            const uint64_t stall = stallAt < end && start <= stallAt ? stallAt : kNone;
            const auto provide = [this, start, end, cut, stall, rate, chunked,
                                  magic](size_t offset, httplib::DataSink &sink) {
                const uint64_t at = start + offset;
                if (at >= end) {
                    if (chunked)
                        sink.done();
                    return true;
                }
                if (at >= cut)
                    return false; // cut the transfer half-way
                if (at >= stall) {
                    // Silent until the service ends; then the connection is cut.
                    wait(std::chrono::hours(24));
                    return false;
                }
                uint64_t length = std::min({kBlockSize, end - at, cut - at, stall - at});
                if (rate > 0) {
                    length = std::min<uint64_t>(length, std::max<uint64_t>(1, rate / 10));
                    if (!wait(std::chrono::milliseconds(length * 1000 / rate)))
                        return false;
                }
                if (at >= magic.size())
                    return sink.write(periodFrom(at), static_cast<size_t>(length));
                const std::string data = pattern(at, static_cast<size_t>(length), magic);
                return sink.write(data.data(), data.size());
            };

            if (chunked) {
                res.set_chunked_content_provider("application/octet-stream", provide);
            } else {
                res.set_content_provider(static_cast<size_t>(end - start),
                                         "application/octet-stream",
                                         [provide](size_t offset, size_t, httplib::DataSink &sink) {
                                             return provide(offset, sink);
                                         });
            }
        }));

    server.Get(R"((?:https?://[^/]+)?/redirect/(301|302)/.+)",
               route([](const httplib::Request &req, httplib::Response &res) {
                   // The rest of the raw target keeps its escapes and its query.
                   const std::string prefix = "/redirect/" + req.matches[1].str();
                   res.set_redirect(baseUrl(req) + localPath(req.target).substr(prefix.size()),
                                    std::stoi(req.matches[1].str()));
               }));
}
