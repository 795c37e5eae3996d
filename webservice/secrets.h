#pragma once
// Random secrets and their fingerprints: tickets, tokens, sign-in state and
// the hashes under which the database keeps them.

#include <string>

namespace secrets {
// `bytes` bytes from the system's random source, as lower-case hex.
std::string randomHex(size_t bytes);
// The same bytes as unpadded base64url (PKCE verifiers, state, nonce).
std::string randomUrlSafe(size_t bytes);
// SHA-256 of text, as lower-case hex.
std::string sha256Hex(const std::string &text);
// SHA-256 of text, as unpadded base64url (the PKCE S256 challenge).
std::string sha256UrlSafe(const std::string &text);
// Decodes base64url with or without padding; false for anything else.
bool decodeUrlSafe(const std::string &text, std::string &out);
// Compares without leaking where the texts differ.
bool sameSecret(const std::string &a, const std::string &b);
} // namespace secrets
