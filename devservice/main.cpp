// tessaly-devservice: a local stand-in for Tessaly's web service, statistics
// host and driver downloads, for development and tests.
//
//   tessaly-devservice [--host ADDRESS] [--port N] [--catalogue FILE]
//
// Listens on 127.0.0.1 unless told otherwise; the port comes from --port,
// else TESSALY_DEVSERVICE_PORT, else 18080 (0 picks a free one). The driver
// catalogue it serves is FILE (a JSON document or the pages' catalogue
// script), by default the pages' own beside it (html/data/catalogue.js). Prints
// "listening on http://HOST:PORT" once it accepts connections; SIGTERM or
// SIGINT end it.

#include "devservice.h"

#include "base/cataloguescript.h"

#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include <pthread.h>
#include <unistd.h>

namespace {
int usage(const char *program)
{
    std::fprintf(stderr, "usage: %s [--host ADDRESS] [--port N] [--catalogue FILE]\n", program);
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

// The catalogue document of a file: a catalogue script's document, or the
// file as it is. Empty when it cannot be read.
std::string readCatalogue(const std::string &path)
{
    QFile file(QString::fromLocal8Bit(path.c_str()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    const QByteArray document = CatalogueScript::documentOf(text);
    return (document.isEmpty() ? text : document).toStdString();
}

std::string builtInCatalogue()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : (self.parent_path() / "html/data/catalogue.js").string();
}
} // namespace

int main(int argc, char *argv[])
{
    std::string host = "127.0.0.1";
    std::string catalogue = builtInCatalogue();
    int port = 18080;
    if (const char *fromEnvironment = std::getenv("TESSALY_DEVSERVICE_PORT")) {
        if (!parsePort(fromEnvironment, port))
            return usage(argv[0]);
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--host") == 0 && i + 1 < argc) {
            host = argv[++i];
        } else if (std::strcmp(argv[i], "--catalogue") == 0 && i + 1 < argc) {
            catalogue = argv[++i];
        } else if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            if (!parsePort(argv[++i], port))
                return usage(argv[0]);
        } else {
            return usage(argv[0]);
        }
    }

    // The signals are taken by sigwait below; every thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    httplib::Server server;
    // Slow downloads and kept-alive connections each hold a worker.
    server.new_task_queue = [] { return new httplib::ThreadPool(64); };
    // Idle connections close soon, so stopping does not wait for them long.
    server.set_keep_alive_timeout(1);
    // Headers and body leave in separate writes; without this each answer
    // waits for the client's delayed acknowledgement (about 40 ms).
    server.set_tcp_nodelay(true);
    DevService service;
    const std::string document = readCatalogue(catalogue);
    if (document.empty())
        std::fprintf(stderr, "tessaly-devservice: no driver catalogue in %s\n", catalogue.c_str());
    service.setCatalogue(document);
    service.install(server);

    if (port == 0) {
        port = server.bind_to_any_port(host);
    } else if (!server.bind_to_port(host, port)) {
        port = -1;
    }
    if (port < 0) {
        std::fprintf(stderr, "tessaly-devservice: cannot listen on %s\n", host.c_str());
        return 1;
    }
    std::printf("listening on http://%s:%d\n", host.c_str(), port);
    std::fflush(stdout);

    std::thread listener([&server] {
        server.listen_after_bind();
        // Wake the main thread if listening ends on its own.
        kill(getpid(), SIGTERM);
    });

    int received = 0;
    sigwait(&stopSignals, &received);
    service.shutdown();
    server.stop();
    listener.join();
    return 0;
}
