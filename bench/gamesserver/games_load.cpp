// Load on a games-list server over loopback: `hosts` hosts each announcing once a minute and
// `fetches` list fetches a second, every request from its own loopback address (127.1.x.y for the
// hosts, 127.2.x.y for the players) on a new connection, as the game makes them. Requests go out on
// a fixed schedule whatever the server's pace, and each latency is counted from its scheduled time,
// so a server that falls behind shows it.
// With `slow` > 0, that many slow clients (127.3.x.y, one address each) plus forty more behind one
// address (127.4.0.1) hold connections the whole time, each sending one byte of a request head
// every 3 s and connecting again whenever the server closes on it; the honest requests' p99 must
// then stay under 100 ms.
//   games_load BASE_URL [seconds=20] [hosts=1000] [fetches=200] [threads=32] [slow=0]
// Loopback only, and bounded: at most 300 s, 1,000 slow clients; it stops by itself.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

size_t drop(char*, size_t size, size_t count, void*) { return size * count; }

struct Request {
    Clock::time_point due;
    bool fetch;
    int who;
};

std::string address(int block, int who) {
    return "127." + std::to_string(block) + "." + std::to_string(who / 250) + "." + std::to_string(who % 250 + 1);
}

// Clients that hold connections by trickling a request head, a byte every 3 s, until `done`.
struct SlowClients {
    struct One {
        std::string from;
        int fd = -1;
        size_t sent = 0;  // bytes of the head sent on this connection
    };
    std::vector<One> clients;
    int port = 0;
    long connects = 0, cutOff = 0;

    void connect(One& c) {
        c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        c.sent = 0;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        ::inet_pton(AF_INET, c.from.c_str(), &a.sin_addr);
        ::bind(c.fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
        a.sin_port = htons(uint16_t(port));
        if (::connect(c.fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(c.fd);
            c.fd = -1;
        }
        ++connects;
    }
    // Sends the next byte on every connection and connects again where the server has closed.
    void round() {
        static const std::string head = "GET /vantorgames.php?doall=ruzkiph HTTP/1.1\r\nHost: games\r\nUser-Agent: slow\r\n";
        for (One& c : clients) {
            if (c.fd >= 0) {
                pollfd p{c.fd, POLLIN, 0};
                char b[512];
                if (::poll(&p, 1, 0) > 0 && ::recv(c.fd, b, sizeof b, MSG_DONTWAIT) <= 0) {
                    ::close(c.fd);
                    c.fd = -1;
                    ++cutOff;
                }
            }
            if (c.fd < 0) connect(c);
            if (c.fd >= 0) ::send(c.fd, &head[c.sent++ % head.size()], 1, MSG_NOSIGNAL);
        }
    }
    int held() const {
        int n = 0;
        for (const One& c : clients) n += c.fd >= 0;
        return n;
    }
    ~SlowClients() {
        for (One& c : clients)
            if (c.fd >= 0) ::close(c.fd);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: games_load BASE_URL [seconds] [hosts] [fetches/s] [threads]\n");
        return 2;
    }
    const std::string base = argv[1];
    const int seconds = std::clamp(argc > 2 ? std::atoi(argv[2]) : 20, 1, 300);
    const int hosts = std::clamp(argc > 3 ? std::atoi(argv[3]) : 1000, 0, 100000);
    const int fetches = std::clamp(argc > 4 ? std::atoi(argv[4]) : 200, 0, 2000);
    const int threads = std::clamp(argc > 5 ? std::atoi(argv[5]) : 32, 1, 256);
    const int slow = std::clamp(argc > 6 ? std::atoi(argv[6]) : 0, 0, 1000);
    const std::string loopback = "http://127.0.0.1:";
    if (base.rfind(loopback, 0) != 0 || base.back() != '/') {
        std::fprintf(stderr, "games_load: the server must be at %sPORT/ (loopback only)\n", loopback.c_str());
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);

    SlowClients slowClients;
    slowClients.port = std::atoi(base.c_str() + loopback.size());
    for (int k = 0; k < slow; ++k) slowClients.clients.push_back({address(3, k)});
    for (int k = 0; slow > 0 && k < 40; ++k) slowClients.clients.push_back({"127.4.0.1"});
    std::atomic<bool> done{false};
    int heldAtEnd = 0;
    std::thread trickle([&] {
        if (slowClients.clients.empty()) return;
        slowClients.round();  // every slow client connected before the honest load starts
        while (!done) {
            for (int tenth = 0; tenth < 30 && !done; ++tenth) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (!done) slowClients.round();
        }
        heldAtEnd = slowClients.held();
    });

    // The schedule: host h announces at h * 60 s / hosts within each minute; fetches evenly spaced.
    std::vector<Request> schedule;
    const Clock::time_point start = Clock::now() + std::chrono::milliseconds(200);
    for (int h = 0; h < hosts; ++h)
        for (double t = 60.0 * h / hosts; t < seconds; t += 60.0)
            schedule.push_back({start + std::chrono::microseconds(int64_t(t * 1e6)), false, h});
    for (int64_t k = 0; k < int64_t(fetches) * seconds; ++k)
        schedule.push_back({start + std::chrono::microseconds(k * 1000000 / fetches), true, int(k % 1000)});
    std::sort(schedule.begin(), schedule.end(), [](const Request& a, const Request& b) { return a.due < b.due; });

    const Clock::time_point last = start + std::chrono::seconds(seconds + 10);  // no request starts later
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::vector<double> latencies;  // ms
    latencies.reserve(schedule.size());
    std::atomic<int> failed{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            CURL* curl = curl_easy_init();
            std::vector<double> mine;
            for (size_t i; (i = next++) < schedule.size();) {
                const Request& r = schedule[i];
                if (Clock::now() > last) {  // a stuck server: give up rather than run on and on
                    ++failed;
                    mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - r.due).count());
                    continue;
                }
                std::this_thread::sleep_until(r.due);
                const std::string url =
                    r.fetch ? base + "vantorgames.php?doall=ruzkiph"
                            : base + "hostgameruzk.php?host=Pilot" + std::to_string(r.who) + "&port=12301&players=3"
                                     "&title=Dawn%20patrol%20over%20Albert&teams=R%3D2%20Blu%3D1%20Y%3D0%20Blk%3D0";
                const std::string from = "host!" + address(r.fetch ? 2 : 1, r.who);
                curl_easy_reset(curl);
                curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
                curl_easy_setopt(curl, CURLOPT_INTERFACE, from.c_str());
                curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
                curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
                curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
                curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10000L);
                curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, drop);
                long status = 0;
                if (curl_easy_perform(curl) != CURLE_OK ||
                    (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status), status != 200))
                    ++failed;
                mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - r.due).count());
            }
            curl_easy_cleanup(curl);
            std::lock_guard lock(mutex);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
        });
    for (std::thread& t : pool) t.join();
    done = true;
    trickle.join();
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) { return latencies.empty() ? 0.0 : latencies[size_t(q * (latencies.size() - 1))]; };
    std::printf("requests %zu in %.1f s: %.0f/s held (asked %.0f/s), failed %d\n", latencies.size(), took,
                latencies.size() / took, double(schedule.size()) / seconds, failed.load());
    std::printf("latency from schedule: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", at(0.5), at(0.99), at(1.0));
    bool held = true;
    if (slow > 0) {
        std::printf("slow clients: %d (and 40 behind one address), %ld connections made, %ld cut off by the server, "
                    "%d connected at the end\n", slow, slowClients.connects, slowClients.cutOff, heldAtEnd);
        held = at(0.99) < 100.0;
        std::printf("honest p99 under 100 ms while they trickle: %s\n", held ? "yes" : "NO");
    }
    curl_global_cleanup();
    return failed.load() == 0 && held ? 0 : 1;
}
