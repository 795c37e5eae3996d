// Preloaded into tessaly-service by its test: accept() fails as it may under
// load (a connection reset while queued, a moment without kernel buffers),
// on the calls TESSALY_TEST_FAILING_ACCEPTS names ("3,4": the third and
// fourth).

#include <dlfcn.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

extern "C" int accept(int socket, sockaddr *address, socklen_t *length)
{
    static std::atomic<int> calls{0};
    using Accept = int (*)(int, sockaddr *, socklen_t *);
    static const Accept real = reinterpret_cast<Accept>(dlsym(RTLD_NEXT, "accept"));
    const std::string failing =
        std::string(",") + (std::getenv("TESSALY_TEST_FAILING_ACCEPTS") ?: "") + ",";
    const int call = ++calls;
    if (failing.find("," + std::to_string(call) + ",") != std::string::npos) {
        errno = call % 2 ? ECONNABORTED : ENOBUFS;
        return -1;
    }
    return real(socket, address, length);
}
