#include "ratelimiter.h"

#include <algorithm>

bool RateLimiter::allow(const std::string &address, Clock::time_point now)
{
    if (m_limit.perMinute <= 0)
        return true;
    const double perSecond = m_limit.perMinute / 60.0;
    std::lock_guard<std::mutex> lock(m_mutex);
    // Full buckets say nothing; dropping them keeps memory bounded however
    // many addresses come by.
    if (now - m_lastSweep > std::chrono::minutes(1)) {
        for (auto it = m_buckets.begin(); it != m_buckets.end();) {
            const double idle = std::chrono::duration<double>(now - it->second.updated).count();
            if (it->second.tokens + idle * perSecond >= m_limit.burst)
                it = m_buckets.erase(it);
            else
                ++it;
        }
        m_lastSweep = now;
    }
    auto found = m_buckets.find(address);
    if (found == m_buckets.end())
        found = m_buckets.emplace(address, Bucket{static_cast<double>(m_limit.burst), now}).first;
    Bucket &bucket = found->second;
    const double elapsed = std::chrono::duration<double>(now - bucket.updated).count();
    bucket.tokens = std::min<double>(m_limit.burst, bucket.tokens + std::max(0.0, elapsed) * perSecond);
    bucket.updated = std::max(bucket.updated, now);
    if (bucket.tokens < 1)
        return false;
    bucket.tokens -= 1;
    return true;
}
