// Newcomers asking into a network game through a flood of join requests, on the real clock over
// loopback: a host (accepting as the automatic host does) and a joiner in play, each with its
// frames on a thread of its own at 60 a second, while `senders` sockets send `rate` join requests
// a second between them, each in turn, all of another version (each one declined). Newcomers then
// ask one after another as the game does (every 301 ticks), each given up to 14 s: the time from
// its start to its acceptance, or "none". Also the host data the joiner in play applies a second
// meanwhile (about 2.9 in a quiet game) and the host's network step per frame.
//   net_join_flood [senders=64] [rate=1000] [newcomers=2]   (senders 1-512, rate at most 100,000)
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
#include "net/SetupPackets.h"
#include "platform/UdpSocket.h"

namespace {
using namespace pellam;
using namespace pellam::bench;

constexpr auto kGiven = std::chrono::seconds(14);

// `perSecond` declined join requests to the host from `senders` sockets in turn, spread over each
// millisecond.
void flood(uint16_t hostPort, int senders, long perSecond, const std::atomic<bool>& stop, std::atomic<long>& sent) {
    std::vector<platform::UdpSocket> sockets(static_cast<size_t>(senders));
    std::string error;
    for (platform::UdpSocket& s : sockets) {
        if (!s.open(0, &error)) {
            std::fprintf(stderr, "no sender's socket: %s\n", error.c_str());
            return;
        }
    }
    std::array<uint8_t, net::kSendSlotBytes> made{};
    const net::JoinRequest request{2, "Flood", 0, 12, 2, 55};  // version 12: declined
    const size_t length = net::buildJoinRequest(request, net::makePlayerString(request.name), net::SendSlot(made));
    const Clock::time_point start = Clock::now();
    for (long n = 0; !stop;) {
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        for (; n < static_cast<long>(seconds * double(perSecond)); ++n, ++sent)
            sockets[size_t(n % senders)].sendTo({kLoopback, hostPort}, {made.data(), length});
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Starts a joiner of the host at `hostPort` with its frames running; false when it cannot start.
bool startJoiner(Machine& m, const char* name, uint16_t hostPort, const std::atomic<bool>& stop, std::thread* frameThread) {
    m.link.setJoinerParticularsName(net::makePlayerString(name), kLoopback, 1, 0);
    if (m.link.startNetworkRoutines(0, net::BSDNetworkSockets::kJoiner, 1) != 0) return false;
    m.link.setCurrentPort(hostPort);
    *frameThread = std::thread(frames, std::ref(m), std::cref(stop));
    return true;
}

// Seconds from its start to its acceptance, or a negative number when none came in kGiven.
double timeToAccept(uint16_t hostPort, int k) {
    Machine newcomer;
    std::atomic<bool> stop{false};
    std::thread frameThread;
    const std::string name = "Newcomer" + std::to_string(k);
    const Clock::time_point start = Clock::now();
    if (!startJoiner(newcomer, name.c_str(), hostPort, stop, &frameThread)) return -1.0;
    while (Clock::now() - start < kGiven && !newcomer.accepted)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    stop = true;
    frameThread.join();
    const bool in = newcomer.link.accepted();
    newcomer.link.closeNetworkRoutines();  // its slot freed by its quit
    return in ? took : -1.0;
}

}  // namespace

int main(int argc, char** argv) {
    const int senders = std::clamp(argc > 1 ? std::atoi(argv[1]) : 64, 1, 512);
    const long perSecond = std::clamp(argc > 2 ? std::atol(argv[2]) : 1000L, 0L, 100000L);
    const int newcomers = std::clamp(argc > 3 ? std::atoi(argv[3]) : 2, 1, 6);
    Machine host;
    if (!hostDogfight(host)) return 1;
    std::atomic<bool> stop{false};
    std::thread hostFrames(frames, std::ref(host), std::cref(stop));
    Machine player;
    std::thread playerFrames;
    if (!startJoiner(player, "Roy", host.link.localPort(), stop, &playerFrames)) return 1;
    const Clock::time_point waitEnd = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < waitEnd && player.hostData() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (player.hostData() == 0) std::fprintf(stderr, "the joiner in play heard no host data in 10 s\n");

    std::atomic<long> sent{0};
    std::thread flooding;
    if (perSecond > 0) flooding = std::thread(flood, host.link.localPort(), senders, perSecond, std::cref(stop), std::ref(sent));
    std::this_thread::sleep_for(std::chrono::seconds(1));  // the flood under way
    const long heardBefore = player.hostData();
    host.counting = true;
    const Clock::time_point start = Clock::now();
    std::string times;
    int in = 0;
    for (int k = 1; k <= newcomers; ++k) {
        const double took = timeToAccept(host.link.localPort(), k);
        char text[32];
        std::snprintf(text, sizeof text, took < 0 ? " none" : " %.2f s", took);
        times += text;
        in += took >= 0;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double hostData = double(player.hostData() - heardBefore) / seconds;
    stop = true;
    for (std::thread* t : {&hostFrames, &playerFrames, &flooding})
        if (t->joinable()) t->join();
    std::vector<int> steps = host.stepMicros;
    std::sort(steps.begin(), steps.end());
    std::printf("%4d senders, %6ld requests/s (%ld sent): %d of %d newcomers in, times to the accept:%s;"
                " the joiner in play applied %.2f host data a second; host's network step median %d us, longest %d us\n",
                senders, perSecond, sent.load(), in, newcomers, times.c_str(), hostData,
                steps.empty() ? 0 : steps[steps.size() / 2], steps.empty() ? 0 : steps.back());
    return 0;
}
