// Load on a games-list server over loopback: `hosts` hosts each announcing once a minute and
// `fetches` list fetches a second, every request from its own loopback address (127.1.x.y for the
// hosts, 127.2.x.y for the players) on a new connection, as the game makes them. Requests go out on
// a fixed schedule whatever the server's pace, and each latency is counted from its scheduled time,
// so a server that falls behind shows it.
//   games_load BASE_URL [seconds=20] [hosts=1000] [fetches=200] [threads=32]
#include <curl/curl.h>

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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: games_load BASE_URL [seconds] [hosts] [fetches/s] [threads]\n");
        return 2;
    }
    const std::string base = argv[1];
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    const int hosts = argc > 3 ? std::atoi(argv[3]) : 1000;
    const int fetches = argc > 4 ? std::atoi(argv[4]) : 200;
    const int threads = argc > 5 ? std::atoi(argv[5]) : 32;
    curl_global_init(CURL_GLOBAL_DEFAULT);

    // The schedule: host h announces at h * 60 s / hosts within each minute; fetches evenly spaced.
    std::vector<Request> schedule;
    const Clock::time_point start = Clock::now() + std::chrono::milliseconds(200);
    for (int h = 0; h < hosts; ++h)
        for (double t = 60.0 * h / hosts; t < seconds; t += 60.0)
            schedule.push_back({start + std::chrono::microseconds(int64_t(t * 1e6)), false, h});
    for (int64_t k = 0; k < int64_t(fetches) * seconds; ++k)
        schedule.push_back({start + std::chrono::microseconds(k * 1000000 / fetches), true, int(k % 1000)});
    std::sort(schedule.begin(), schedule.end(), [](const Request& a, const Request& b) { return a.due < b.due; });

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
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) { return latencies.empty() ? 0.0 : latencies[size_t(q * (latencies.size() - 1))]; };
    std::printf("requests %zu in %.1f s: %.0f/s held (asked %.0f/s), failed %d\n", latencies.size(), took,
                latencies.size() / took, double(schedule.size()) / seconds, failed.load());
    std::printf("latency from schedule: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", at(0.5), at(0.99), at(1.0));
    curl_global_cleanup();
    return failed.load() == 0 ? 0 : 1;
}
