// tessaly-service: the web service behind Tessaly.
//
//   tessaly-service --config FILE [--database URL] [--host H] [--port N]
//   tessaly-service --config FILE --check-config
//   tessaly-service --sample-config
//
// Prints "listening on http://HOST:PORT" once it accepts connections (--port 0
// picks a free port). SIGTERM or SIGINT stop it after the requests in flight.

#include "catalogue.h"
#include "config.h"
#include "store.h"
#include "tessalyservice.h"

#include <QFile>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int usage(const char *program)
{
    std::fprintf(stderr,
                 "usage: %s --config FILE [--database URL] [--host H] [--port N] "
                 "[--check-config]\n       %s --sample-config\n",
                 program, program);
    return 2;
}

bool parsePort(const char *text, int &port)
{
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!text[0] || *end || value < 0 || value > 65535)
        return false;
    port = static_cast<int>(value);
    return true;
}

QByteArray builtInCatalogue()
{
    QFile file(QStringLiteral(":/catalogue.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reloads the catalogue and purges old sign-ins until told to stop.
class Housekeeper {
public:
    Housekeeper(Store &store, CatalogueSource &catalogue, int reloadSeconds)
        : m_thread([this, &store, &catalogue, reloadSeconds] {
              std::unique_lock<std::mutex> lock(m_mutex);
              time_t lastPurge = 0;
              while (!m_stopping) {
                  lock.unlock();
                  catalogue.reload();
                  if (std::time(nullptr) - lastPurge >= 600) {
                      lastPurge = std::time(nullptr);
                      try {
                          store.purge(static_cast<long long>(lastPurge));
                      } catch (const DatabaseError &error) {
                          std::fprintf(stderr, "purge failed: %s\n", error.what());
                      }
                  }
                  lock.lock();
                  m_wake.wait_for(lock, std::chrono::seconds(reloadSeconds),
                                  [this] { return m_stopping; });
              }
          })
    {
    }
    ~Housekeeper()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};
// httplib listens with a queue of five connections: in a burst the rest of
// the new connections wait a second for their SYN to be sent again. The
// queue is widened on the socket httplib has just made.
class ListenQueue {
public:
    explicit ListenQueue(httplib::Server &server)
    {
        server.set_socket_options([this](int socket) {
            httplib::default_socket_options(socket);
            m_socket = socket;
        });
    }
    void widen() const
    {
        if (m_socket >= 0 && ::listen(m_socket, SOMAXCONN) != 0)
            std::fprintf(stderr, "cannot widen the listen queue: %s\n", std::strerror(errno));
    }

private:
    int m_socket = -1;
};

// Accepts connections until stopped. httplib ends its accept loop on any
// accept() failure but a full descriptor table, such as a connection reset
// while queued or a moment without kernel memory; that is no reason for the
// service to end, so it listens again on the same port.
class Listener {
public:
    Listener(httplib::Server &server, const ListenQueue &queue, const std::string &host, int port)
        : m_thread([this, &server, &queue, host, port] {
              for (;;) {
                  server.listen_after_bind();
                  const int cause = errno;
                  std::lock_guard<std::mutex> lock(m_mutex);
                  if (m_stopping)
                      break;
                  std::fprintf(stderr,
                               "accepting connections ended (last error: %s); listening again\n",
                               std::strerror(cause));
                  if (!server.bind_to_port(host.c_str(), port)) {
                      std::fprintf(stderr, "tessaly-service: cannot listen on %s:%d again\n",
                                   host.c_str(), port);
                      m_failed = true;
                      break;
                  }
                  queue.widen();
              }
              std::lock_guard<std::mutex> lock(m_mutex);
              m_done = true;
              m_ended.notify_all();
              if (!m_stopping)
                  kill(getpid(), SIGTERM);
          }),
          m_server(server)
    {
    }
    ~Listener() { stop(); }

    // Stops accepting; the worker threads finish the requests they hold.
    // False when listening had failed for good.
    bool stop()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_stopping = true;
        // A stop that comes while listening starts again is not seen by
        // httplib: repeated until the loop has ended.
        while (!m_done) {
            m_server.stop();
            m_ended.wait_for(lock, std::chrono::milliseconds(100));
        }
        lock.unlock();
        if (m_thread.joinable())
            m_thread.join();
        return !m_failed;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_stopping = false;
    bool m_done = false;
    bool m_failed = false;
    std::thread m_thread;
    httplib::Server &m_server;
};
} // namespace

int main(int argc, char *argv[])
{
    // An exception no one catches ends the process; the log says which.
    std::set_terminate([] {
        std::string why = "no exception";
        if (const std::exception_ptr error = std::current_exception()) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception &e) {
                why = e.what();
            } catch (...) {
                why = "an exception of unknown type";
            }
        }
        std::fprintf(stderr, "tessaly-service: ending abnormally: %s\n", why.c_str());
        std::abort();
    });
    QString configPath;
    std::string database, host;
    int port = -1;
    bool checkOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--sample-config") {
            std::fputs(sampleConfig().constData(), stdout);
            return 0;
        } else if (arg == "--check-config") {
            checkOnly = true;
        } else if (arg == "--config" && hasValue) {
            configPath = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--database" && hasValue) {
            database = argv[++i];
        } else if (arg == "--host" && hasValue) {
            host = argv[++i];
        } else if (arg == "--port" && hasValue) {
            if (!parsePort(argv[++i], port))
                return usage(argv[0]);
        } else {
            return usage(argv[0]);
        }
    }
    if (configPath.isEmpty())
        return usage(argv[0]);

    ServiceConfig config;
    QString error;
    if (!loadConfig(configPath, config, error)) {
        std::fprintf(stderr, "tessaly-service: %s\n", qUtf8Printable(error));
        return 1;
    }
    if (!database.empty())
        config.database = database;
    if (!host.empty())
        config.host = host;
    if (port >= 0)
        config.port = port;

    std::unique_ptr<Store> store;
    int schema = 0;
    try {
        store = std::make_unique<Store>(openDatabase(config.database));
        schema = store->migrate();
    } catch (const DatabaseError &failure) {
        std::fprintf(stderr, "tessaly-service: database: %s\n", failure.what());
        return 1;
    }
    if (checkOnly) {
        std::printf("configuration ok (schema version %d, sign-in %s)\n", schema,
                    config.oidcConfigured() ? "configured" : "not configured");
        return 0;
    }

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    CatalogueSource catalogue(builtInCatalogue(), QString::fromStdString(config.cataloguePath));
    std::unique_ptr<httplib::Server> server;
    if (!config.tlsCertificate.empty()) {
        auto secure = std::make_unique<httplib::SSLServer>(config.tlsCertificate.c_str(),
                                                           config.tlsKey.c_str());
        if (!secure->is_valid()) {
            std::fprintf(stderr, "tessaly-service: cannot use the TLS certificate or key\n");
            return 1;
        }
        server = std::move(secure);
    } else {
        server = std::make_unique<httplib::Server>();
    }
    const int threads = config.threads;
    server->new_task_queue = [threads] {
        return new httplib::ThreadPool(static_cast<size_t>(threads));
    };
    TessalyService service(config, *store, catalogue);
    service.install(*server);

    ListenQueue queue(*server);
    int bound = config.port;
    if (bound == 0)
        bound = server->bind_to_any_port(config.host.c_str());
    else if (!server->bind_to_port(config.host.c_str(), bound))
        bound = -1;
    if (bound < 0) {
        std::fprintf(stderr, "tessaly-service: cannot listen on %s:%d\n", config.host.c_str(),
                     config.port);
        return 1;
    }
    const std::string listening = std::string(config.tlsCertificate.empty() ? "http" : "https") +
                                  "://" + config.host + ":" + std::to_string(bound);
    if (config.publicUrl.empty())
        config.publicUrl = listening;
    std::printf("listening on %s\n", listening.c_str());
    std::fflush(stdout);

    Housekeeper housekeeper(*store, catalogue, config.catalogueReloadSeconds);
    queue.widen();
    Listener listener(*server, queue, config.host, bound);
    int received = 0;
    sigwait(&stopSignals, &received);
    if (!listener.stop())
        return 1;
    std::fprintf(stderr, "stopped\n");
    return 0;
}
