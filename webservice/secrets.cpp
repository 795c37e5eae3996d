#include "secrets.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <stdexcept>
#include <vector>

namespace {
std::string toHex(const unsigned char *data, size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        hex += digits[data[i] >> 4];
        hex += digits[data[i] & 15];
    }
    return hex;
}

std::string toUrlSafe(const unsigned char *data, size_t size)
{
    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    size_t i = 0;
    for (; i + 2 < size; i += 3) {
        const unsigned v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
    }
    if (size - i == 1) {
        const unsigned v = data[i] << 16;
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
    } else if (size - i == 2) {
        const unsigned v = (data[i] << 16) | (data[i + 1] << 8);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
    }
    return out;
}

std::vector<unsigned char> randomBytes(size_t bytes)
{
    std::vector<unsigned char> buffer(bytes);
    // A secret made of anything but the system's random source is no secret.
    if (RAND_bytes(buffer.data(), static_cast<int>(buffer.size())) != 1)
        throw std::runtime_error("the random source failed");
    return buffer;
}

std::vector<unsigned char> digest(const std::string &text)
{
    std::vector<unsigned char> out(SHA256_DIGEST_LENGTH);
    SHA256(reinterpret_cast<const unsigned char *>(text.data()), text.size(), out.data());
    return out;
}
} // namespace

namespace secrets {
std::string randomHex(size_t bytes)
{
    const auto buffer = randomBytes(bytes);
    return toHex(buffer.data(), buffer.size());
}

std::string randomUrlSafe(size_t bytes)
{
    const auto buffer = randomBytes(bytes);
    return toUrlSafe(buffer.data(), buffer.size());
}

std::string sha256Hex(const std::string &text)
{
    const auto out = digest(text);
    return toHex(out.data(), out.size());
}

std::string sha256UrlSafe(const std::string &text)
{
    const auto out = digest(text);
    return toUrlSafe(out.data(), out.size());
}

bool decodeUrlSafe(const std::string &text, std::string &out)
{
    out.clear();
    unsigned value = 0;
    int bits = 0;
    size_t end = text.size();
    while (end > 0 && text[end - 1] == '=')
        --end;
    for (size_t i = 0; i < end; ++i) {
        const char c = text[i];
        int v = -1;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '-' || c == '+')
            v = 62;
        else if (c == '_' || c == '/')
            v = 63;
        if (v < 0)
            return false;
        value = (value << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xff);
        }
    }
    return end % 4 != 1;
}

bool sameSecret(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}
} // namespace secrets
