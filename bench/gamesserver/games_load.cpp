// Load on a games-list server over loopback: `hosts` hosts each announcing once a minute and
// `fetches` list fetches a second, every request on a new connection, as the game makes them, from
// loopback addresses spread over many /24s (127.1.x.y the hosts, 127.2.x.y the players, no player
// address asking more than once a second). Requests go out on a fixed schedule whatever the
// server's pace, and each latency is counted from its scheduled time, so a server that falls behind
// shows it. The honest list requests' p50 and p99 are reported.
// An attack runs alongside the whole time, by `count` attackers:
//   trickle  that many slow clients (127.3.x.y, one address each) plus forty behind one address
//            (127.4.0.1), each sending a byte of a request head every 3 s, connecting again whenever
//            the server closes on it; the honest p99 must then stay under 100 ms
//   ranges   that many clients at once asking for the list page with a thousand ranges, each
//            request from a fresh address (127.5.x.y), reading every answer whole
//   body     that many connections, eight from each address (127.6.0.x), each sending the head
//            of a POST that declares a body and never sending the body
//   flood    that many addresses of one /24 (127.7.0.x, at most 250), eight idle connections each
//   blocks   that many /24s (127.8.x.0, at most 250), 32 idle connections each from eight addresses
//   readers  that many clients of one /24 (127.9.0.x, four an address) asking for the list page and
//            never reading it, their receive buffers at the least and their segments of Ethernet's
//            size, each asking again 2.1 s later; 32
//            games from as many /24s (127.10.x.1), titles of 299 quotes, are listed first so that the
//            page is larger than what the sockets between them hold
// Attackers whose connection the server closed connect again within a tenth of a second.
//   games_load BASE_URL [seconds=20] [hosts=1000] [fetches=200] [threads=32] [attack=none] [count=0]
// Loopback only, and bounded: at most 300 s, 20,000 fetches a second, 1,000 attackers; it stops by
// itself.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
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

// The `who`th address of 127.`block`.0.0/16, each next one in another /24.
std::string address(int block, int who) {
    who %= 250 * 250;
    return "127." + std::to_string(block) + "." + std::to_string(who % 250) + "." + std::to_string(who / 250 + 1);
}

// Attackers that hold connections: each sends `head` as it connects (all of it, or with `trickle`
// one byte every 3 s) and connects again once the server has closed on it.
struct HeldClients {
    struct One {
        One(std::string address) : from(std::move(address)) {}
        std::string from;
        int fd = -1;
        size_t sent = 0;  // bytes of the head sent on this connection
        Clock::time_point since;
    };
    std::vector<One> clients;
    std::string head;
    bool trickle = false;
    bool readers = false;  // ask, never read, and ask again after `askAgain`
    std::chrono::milliseconds askAgain{2100};
    int port = 0;
    long connects = 0, cutOff = 0;

    void connect(One& c) {
        c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        c.sent = 0;
        c.since = Clock::now();
        if (readers) {
            // Segments as an Ethernet path carries them: over loopback's 64 KB ones the server's send
            // buffer grows to megabytes and would hold the whole page unread.
            const int least = 1, segment = 1448;  // the kernel's floor for the buffer: some 2 KB
            ::setsockopt(c.fd, SOL_SOCKET, SO_RCVBUF, &least, sizeof least);
            ::setsockopt(c.fd, IPPROTO_TCP, TCP_MAXSEG, &segment, sizeof segment);
        }
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
        if (c.fd >= 0 && !trickle) ::send(c.fd, head.data(), head.size(), MSG_NOSIGNAL);
    }
    // Connects again where the server has closed; with `sendByte`, sends the next byte of a trickle.
    void round(bool sendByte) {
        for (One& c : clients) {
            if (c.fd >= 0 && readers) {
                // Never read: the answer stays in the sockets until this client gives up on it.
                pollfd p{c.fd, POLLRDHUP, 0};
                if ((::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR))) ||
                    Clock::now() - c.since > askAgain) {
                    ::close(c.fd);
                    c.fd = -1;
                    ++cutOff;
                }
            } else if (c.fd >= 0) {
                pollfd p{c.fd, POLLIN, 0};
                char b[512];
                if (::poll(&p, 1, 0) > 0 && ::recv(c.fd, b, sizeof b, MSG_DONTWAIT) <= 0) {
                    ::close(c.fd);
                    c.fd = -1;
                    ++cutOff;
                }
            }
            if (c.fd < 0) connect(c);
            if (c.fd >= 0 && trickle && sendByte) ::send(c.fd, &head[c.sent++ % head.size()], 1, MSG_NOSIGNAL);
        }
    }
    int held() const {
        int n = 0;
        for (const One& c : clients) n += c.fd >= 0;
        return n;
    }
    ~HeldClients() {
        for (One& c : clients)
            if (c.fd >= 0) ::close(c.fd);
    }
};

// One client asking for the list page with a thousand ranges, again and again until `done`, each
// time from a fresh address; counts the bytes it was sent.
void askForRanges(int port, int who, const std::atomic<bool>& done, std::atomic<long>& bytes, std::atomic<long>& asked) {
    std::string request = "GET /vantorgames.php?doall=ruzkiph HTTP/1.1\r\nHost: games\r\nRange: bytes=0-";
    for (int k = 1; k < 1000; ++k) request += ",0-";
    request += "\r\n\r\n";
    std::vector<char> buffer(1 << 16);
    for (int k = 0; !done; ++k) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        ::inet_pton(AF_INET, address(5, who + 1000 * k).c_str(), &a.sin_addr);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
        a.sin_port = htons(uint16_t(port));
        const timeval wait{2, 0};  // a reply that stalls is given up, so `done` is seen
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size())) {
            ++asked;
            for (ssize_t n; !done && (n = ::recv(fd, buffer.data(), buffer.size(), 0)) > 0;) bytes += n;
        }
        ::close(fd);
    }
}

// The attackers of `attack` that hold connections (the ranges' clients are threads of their own);
// `readers` first lists 32 games of long titles, so that the page outgrows the sockets.
void prepareAttack(HeldClients& held, const std::string& attack, int attackers, const std::string& base) {
    if (attack == "trickle") {
        held.trickle = true;
        held.head = "GET /vantorgames.php?doall=ruzkiph HTTP/1.1\r\nHost: games\r\nUser-Agent: slow\r\n";
        for (int k = 0; k < attackers; ++k) held.clients.push_back({address(3, k)});
        for (int k = 0; attackers > 0 && k < 40; ++k) held.clients.push_back({"127.4.0.1"});
    } else if (attack == "body") {
        held.head = "POST /vantorgames.php HTTP/1.1\r\nHost: games\r\nContent-Length: 1000000\r\n\r\n";
        for (int k = 0; k < attackers; ++k) held.clients.push_back({"127.6.0." + std::to_string(k / 8 + 1)});
    } else if (attack == "flood") {
        for (int k = 0; k < attackers * 8; ++k) held.clients.push_back({"127.7.0." + std::to_string(k / 8 + 1)});
    } else if (attack == "blocks") {
        for (int k = 0; k < attackers * 32; ++k)
            held.clients.push_back({"127.8." + std::to_string(k / 32) + "." + std::to_string(k % 32 / 4 + 1)});
    } else if (attack == "readers") {
        // A page of some 70 KB: 32 rows of 1.8 KB before the honest hosts' short ones.
        CURL* curl = curl_easy_init();
        for (int k = 0; k < 32; ++k) {
            std::string title;
            for (int q = 0; q < 299; ++q) title += "%22";
            const std::string url = base + "hostgameruzk.php?host=Quoted" + std::to_string(k) + "&port=12301&title=" + title;
            const std::string from = "host!127.10." + std::to_string(k) + ".1";
            curl_easy_reset(curl);
            curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
            curl_easy_setopt(curl, CURLOPT_INTERFACE, from.c_str());
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, drop);
            curl_easy_perform(curl);
        }
        curl_easy_cleanup(curl);
        held.readers = true;
        held.head = "GET /vantorgames.php?doall=ruzkiph HTTP/1.1\r\nHost: games\r\n\r\n";
        for (int k = 0; k < attackers; ++k) held.clients.push_back({"127.9.0." + std::to_string(k / 4 + 1)});
    }
}

// What the honest requests met: latencies in ms from their scheduled times (sorted), and counts.
// A 202 ("kept, but not shown": the page is full) is an announcement served, counted apart.
struct Outcome {
    std::vector<double> lists, all;  // of list fetches, of every request
    int failed = 0, listsFailed = 0, listsRefused = 0, keptNotShown = 0;
};

// Runs the schedule on `threads` clients, each request on a new connection; none starts after
// `last` (a stuck server is given up rather than waited on and on).
Outcome runSchedule(const std::vector<Request>& schedule, const std::string& base, int threads,
                    Clock::time_point last) {
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::atomic<int> failed{0}, listsFailed{0}, listsRefused{0}, keptNotShown{0};
    Outcome out;
    out.lists.reserve(schedule.size());
    out.all.reserve(schedule.size());
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            CURL* curl = curl_easy_init();
            std::vector<double> mineLists, mine;
            for (size_t i; (i = next++) < schedule.size();) {
                const Request& r = schedule[i];
                double ms = 0;
                bool ok = false;
                if (Clock::now() <= last) {  // past it, a stuck server: give up rather than run on and on
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
                    ok = curl_easy_perform(curl) == CURLE_OK &&
                         (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status),
                          status == 200 || (!r.fetch && status == 202));
                    if (r.fetch && status == 429) ++listsRefused;
                    if (!r.fetch && status == 202) ++keptNotShown;
                }
                ms = std::chrono::duration<double, std::milli>(Clock::now() - r.due).count();
                if (!ok) {
                    ++failed;
                    if (r.fetch) ++listsFailed;
                }
                mine.push_back(ms);
                if (r.fetch) mineLists.push_back(ms);
            }
            curl_easy_cleanup(curl);
            std::lock_guard lock(mutex);
            out.all.insert(out.all.end(), mine.begin(), mine.end());
            out.lists.insert(out.lists.end(), mineLists.begin(), mineLists.end());
        });
    for (std::thread& t : pool) t.join();
    std::sort(out.lists.begin(), out.lists.end());
    std::sort(out.all.begin(), out.all.end());
    out.failed = failed;
    out.listsFailed = listsFailed;
    out.listsRefused = listsRefused;
    out.keptNotShown = keptNotShown;
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: games_load BASE_URL [seconds] [hosts] [fetches/s] [threads] "
                             "[none|trickle|ranges|body|flood|blocks|readers] [attackers]\n");
        return 2;
    }
    const std::string base = argv[1];
    const int seconds = std::clamp(argc > 2 ? std::atoi(argv[2]) : 20, 1, 300);
    const int hosts = std::clamp(argc > 3 ? std::atoi(argv[3]) : 1000, 0, 100000);
    const int fetches = std::clamp(argc > 4 ? std::atoi(argv[4]) : 200, 0, 20000);
    const int threads = std::clamp(argc > 5 ? std::atoi(argv[5]) : 32, 1, 512);
    const std::string attack = argc > 6 ? argv[6] : "none";
    const int attackers =
        std::clamp(argc > 7 ? std::atoi(argv[7]) : 0, 0, attack == "flood" || attack == "blocks" ? 250 : 1000);
    const std::string loopback = "http://127.0.0.1:";
    if (base.rfind(loopback, 0) != 0 || base.back() != '/') {
        std::fprintf(stderr, "games_load: the server must be at %sPORT/ (loopback only)\n", loopback.c_str());
        return 2;
    }
    if (attack != "none" && attack != "trickle" && attack != "ranges" && attack != "body" && attack != "flood" &&
        attack != "blocks" && attack != "readers") {
        std::fprintf(stderr, "games_load: no attack '%s'\n", attack.c_str());
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const int port = std::atoi(base.c_str() + loopback.size());
    // Enough player addresses that none asks more than once a second: the server's own budget
    // per address (2 a second) is not what is measured.
    const int players = std::max(1000, fetches);

    HeldClients held;
    held.port = port;
    prepareAttack(held, attack, attackers, base);
    std::atomic<bool> done{false};
    int heldAtEnd = 0;
    std::thread holding([&] {
        if (held.clients.empty()) return;
        held.round(true);  // every attacker connected before the honest load starts
        for (int tenth = 1; !done; ++tenth) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (!done) held.round(tenth % 30 == 0);
        }
        heldAtEnd = held.held();
    });
    std::atomic<long> rangeBytes{0}, rangeAsked{0};
    std::vector<std::thread> rangers;
    for (int k = 0; attack == "ranges" && k < attackers; ++k)
        rangers.emplace_back([&, k] { askForRanges(port, k, done, rangeBytes, rangeAsked); });

    // The schedule: host h announces at h * 60 s / hosts within each minute; fetches evenly spaced.
    std::vector<Request> schedule;
    const Clock::time_point start = Clock::now() + std::chrono::milliseconds(200);
    for (int h = 0; h < hosts; ++h)
        for (double t = 60.0 * h / hosts; t < seconds; t += 60.0)
            schedule.push_back({start + std::chrono::microseconds(int64_t(t * 1e6)), false, h});
    for (int64_t k = 0; k < int64_t(fetches) * seconds; ++k)
        schedule.push_back({start + std::chrono::microseconds(k * 1000000 / fetches), true, int(k % players)});
    std::sort(schedule.begin(), schedule.end(), [](const Request& a, const Request& b) { return a.due < b.due; });

    const Clock::time_point last = start + std::chrono::seconds(seconds + 10);  // no request starts later
    const Outcome out = runSchedule(schedule, base, threads, last);
    done = true;
    holding.join();
    for (std::thread& t : rangers) t.join();
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    const std::vector<double>& lists = out.lists;
    const std::vector<double>& all = out.all;
    auto at = [](const std::vector<double>& v, double q) { return v.empty() ? 0.0 : v[size_t(q * (v.size() - 1))]; };
    std::printf("requests %zu in %.1f s: %.0f/s held (asked %.0f/s), failed %d, announcements kept but not shown "
                "(202) %d\n",
                all.size(), took, all.size() / took, double(schedule.size()) / seconds, out.failed,
                out.keptNotShown);
    std::printf("list fetches %zu (asked %d/s), failed %d (refused 429: %d): p50 %.2f ms, p99 %.2f ms, max %.2f ms "
                "from schedule\n",
                lists.size(), fetches, out.listsFailed, out.listsRefused, at(lists, 0.5), at(lists, 0.99),
                at(lists, 1.0));
    std::printf("every request: p50 %.2f ms, p99 %.2f ms\n", at(all, 0.5), at(all, 0.99));
    bool kept = true;
    if (attack == "trickle" || attack == "body" || attack == "flood" || attack == "blocks" || attack == "readers") {
        std::printf("%s: %zu attacking connections, %ld made, %ld closed by the server, %d connected at the end\n",
                    attack.c_str(), held.clients.size(), held.connects, held.cutOff, heldAtEnd);
    } else if (attack == "ranges") {
        std::printf("ranges: %d clients, %ld requests, %.1f MB sent to them\n", attackers, rangeAsked.load(),
                    double(rangeBytes.load()) / 1e6);
    }
    if (attack == "trickle") {
        kept = at(lists, 0.99) < 100.0;
        std::printf("honest p99 under 100 ms while they trickle: %s\n", kept ? "yes" : "NO");
    }
    curl_global_cleanup();
    return out.failed == 0 && kept ? 0 : 1;
}
