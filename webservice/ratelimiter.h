#pragma once
// Per-address token buckets: each address may spend `burst` requests at
// once and earns `perMinute` back over a minute.

#include "config.h"

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    explicit RateLimiter(RateLimit limit) : m_limit(limit) {}

    // True when the address may make one more request at `now`.
    bool allow(const std::string &address, Clock::time_point now = Clock::now());

private:
    struct Bucket {
        double tokens = 0;
        Clock::time_point updated;
    };

    RateLimit m_limit;
    std::mutex m_mutex;
    std::unordered_map<std::string, Bucket> m_buckets;
    Clock::time_point m_lastSweep;
};
