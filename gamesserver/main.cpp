// pellam-games-server: the public list of network games the game's join window shows.
//   pellam-games-server [--listen HOST:PORT] [--db FILE]
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "gamesserver/GamesServer.h"
#include "platform/RegularFile.h"

namespace {
int usage(const char* why) {
    std::fprintf(stderr, "%s\nusage: pellam-games-server [--listen HOST:PORT] [--db FILE]\n"
                         "  --listen  address and port to serve on (default 0.0.0.0:8080)\n"
                         "  --db      the SQLite file of listed games (default pellam-games.sqlite)\n", why);
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    // SQLite's writes past `ulimit -f` then fail with EFBIG: a failed set-up ends the server with
    // its reason, a failed announcement is answered 500, and the list already stored stays.
    pellam::platform::failWritesPastTheFileSizeLimit();
    // SIGINT and SIGTERM are taken by sigwait below, never by a handler: blocked here, before the
    // server starts a thread, they stay blocked in every thread it starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    pellam::games::ServerOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--help" || flag == "-h") return usage("Serves the list of Pellam network games.");
        if (i + 1 >= argc) return usage(("missing value after " + flag).c_str());
        const std::string value = argv[++i];
        if (flag == "--db") {
            options.dbPath = value;
        } else if (flag == "--listen") {
            const size_t colon = value.rfind(':');
            if (colon == std::string::npos) return usage("--listen wants HOST:PORT");
            options.listenHost = value.substr(0, colon);
            try {
                options.port = std::stoi(value.substr(colon + 1));
            } catch (...) {
                options.port = -1;
            }
            if (options.port < 1 || options.port > 65535) return usage("the port must be 1 to 65535");
        } else {
            return usage(("unknown flag " + flag).c_str());
        }
    }
    pellam::games::GamesServer server(options);
    std::string error;
    if (!server.bind(error)) {
        std::fprintf(stderr, "pellam-games-server: %s\n", error.c_str());
        return 1;
    }
    std::printf("pellam-games-server: listening on %s:%d, games kept in %s\n", options.listenHost.c_str(), server.port(),
                options.dbPath.c_str());
    std::fflush(stdout);
    std::atomic<bool> stopping{false}, failed{false};
    std::thread serving([&] {
        server.run();
        if (stopping) return;
        // The accept loop ended by itself: the main thread is woken as a signal would wake it.
        failed = true;
        ::kill(::getpid(), SIGTERM);
    });
    int signal = 0;
    sigwait(&stopSignals, &signal);
    stopping = true;
    server.stop();
    serving.join();
    if (failed) {
        std::fprintf(stderr, "pellam-games-server: the listening socket failed\n");
        return 1;
    }
    return 0;
}
