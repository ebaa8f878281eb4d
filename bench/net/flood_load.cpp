// A network game under a stranger's flood, on the real clock over loopback: a host and two
// joiners, each its own network link with its frames on a thread of its own at 60 a second (the
// host accepting as the automatic host does), while a stranger sends `flood` well-made joiner data
// packets a second to the host (naming both joiners' slots) and as many host data packets to the
// first joiner. Once both joiners hear their host (or after 10 s), it counts for `seconds`: the
// host data each joiner applies a second, the joiner data the host applies a second from each,
// the host's network step per frame (median and longest) and the processor the game used.
// A quiet game gives each joiner about 2.9 host data a second (one answer to each of its
// packets, sent every 21 ticks).
//   net_flood_load [seconds=20] [flood=1000]     (at most 300 s and 100,000 a second)
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/net/net_bench_world.h"
#include "platform/UdpSocket.h"

namespace {
using namespace pellam;
using namespace pellam::bench;

// Joiner data for slots 1 and 2 to the host, host data to the first joiner, `perSecond` of each,
// spread over each millisecond.
void flood(uint16_t hostPort, uint16_t joinerPort, long perSecond, const std::atomic<bool>& stop,
           std::atomic<long>& sent) {
    platform::UdpSocket socket;
    std::string error;
    if (!socket.open(0, &error)) {
        std::fprintf(stderr, "no stranger's socket: %s\n", error.c_str());
        return;
    }
    std::array<std::array<uint8_t, net::kSendSlotBytes>, 3> made{};
    std::array<size_t, 3> length{};
    for (uint8_t j = 1; j <= 2; ++j) {
        net::JoinerData d;
        d.slot = j;
        length[j - 1] = net::buildJoinerData(d, net::SendSlot(made[j - 1]));
    }
    length[2] = net::buildHostData(net::HostData{}, net::SendSlot(made[2]));
    const Clock::time_point start = Clock::now();
    for (long n = 0; !stop;) {
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        for (; n < static_cast<long>(seconds * double(perSecond)); ++n) {
            socket.sendTo({kLoopback, hostPort}, {made[size_t(n % 2)].data(), length[size_t(n % 2)]});
            socket.sendTo({kLoopback, joinerPort}, {made[2].data(), length[2]});
            sent += 2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

double cpuSeconds() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) + 1e-6 * double(use.ru_utime.tv_usec + use.ru_stime.tv_usec);
}

// What the counted window is read by: host data each joiner applied, joiner data the host applied
// from joiners 1 and 2, the flood's datagrams and the processor's seconds.
struct Counts {
    std::array<long, 2> heard{}, applied{};
    long sent = 0;
    double cpu = 0;
};

Counts countsNow(Machine& host, std::array<std::unique_ptr<Machine>, 2>& joiners, const std::atomic<long>& sent) {
    return {{joiners[0]->hostData(), joiners[1]->hostData()}, {host.world.applied[1], host.world.applied[2]}, sent,
            cpuSeconds()};
}

void report(const Counts& a, const Counts& b, std::vector<int> steps, double seconds, long perSecond,
            const std::string& note) {
    std::sort(steps.begin(), steps.end());
    const int median = steps.empty() ? 0 : steps[steps.size() / 2], longest = steps.empty() ? 0 : steps.back();
    const auto rate = [&](long from, long to) { return double(to - from) / seconds; };
    std::printf("flood %6ld/s (%ld sent): host data a second, joiner 1 (flooded) %5.2f, joiner 2 %5.2f;"
                " joiner data the host applied a second, 1 %5.2f, 2 %5.2f; host's network step median %d us,"
                " longest %d us; cpu %.0f %% of a core%s\n",
                perSecond, b.sent - a.sent, rate(a.heard[0], b.heard[0]), rate(a.heard[1], b.heard[1]),
                rate(a.applied[0], b.applied[0]), rate(a.applied[1], b.applied[1]), median, longest,
                100.0 * (b.cpu - a.cpu) / seconds, note.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = std::clamp(argc > 1 ? std::atoi(argv[1]) : 20, 1, 300);
    const long perSecond = std::clamp(argc > 2 ? std::atol(argv[2]) : 1000L, 0L, 100000L);
    Machine host;
    if (!hostDogfight(host)) return 1;
    std::array<std::unique_ptr<Machine>, 2> joiners;
    for (int k = 0; k < 2; ++k) {
        joiners[size_t(k)] = std::make_unique<Machine>();
        net::BSDNetworkSockets& link = joiners[size_t(k)]->link;
        link.setJoinerParticularsName(net::makePlayerString(k == 0 ? "Roy" : "Voss"), kLoopback, 1, 0);
        if (link.startNetworkRoutines(0, net::BSDNetworkSockets::kJoiner, 1) != 0) return 1;
        link.setCurrentPort(host.link.localPort());
    }
    std::atomic<bool> stop{false};
    std::atomic<long> sent{0};
    std::vector<std::thread> threads;
    threads.emplace_back(frames, std::ref(host), std::cref(stop));
    for (auto& j : joiners) threads.emplace_back(frames, std::ref(*j), std::cref(stop));
    if (perSecond > 0)
        threads.emplace_back(flood, host.link.localPort(), joiners[0]->link.localPort(), perSecond, std::cref(stop), std::ref(sent));

    // Counted from when both joiners hear their host, or after 10 s when one never does.
    const Clock::time_point waitEnd = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < waitEnd && !(joiners[0]->hostData() > 0 && joiners[1]->hostData() > 0))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::string note;
    for (int k = 0; k < 2; ++k)
        if (joiners[size_t(k)]->hostData() == 0) note += "; joiner " + std::to_string(k + 1) + " heard no host data in 10 s";
    const Counts before = countsNow(host, joiners, sent);
    host.counting = true;
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const Counts after = countsNow(host, joiners, sent);
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    stop = true;
    for (std::thread& t : threads) t.join();
    report(before, after, host.stepMicros, took, perSecond, note);
    return 0;
}
