#include "gamesserver/ConnectionGate.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace pellam::games {
namespace {

constexpr char kTooMany[] = "HTTP/1.1 429 Too Many Requests\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr std::string_view kHasBody = "HTTP/1.1 413 Content Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr std::string_view kLongLine = "HTTP/1.1 414 URI Too Long\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr std::string_view kLongHead =
    "HTTP/1.1 431 Request Header Fields Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr size_t kDrainBytes = 65536;  // what a refused client may still send before it is cut off
constexpr double kDrainSeconds = 1.0;

std::chrono::steady_clock::duration seconds(double s) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(s));
}

constexpr std::string_view kHeadEnd = "\r\n\r\n";

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// Sends what the socket takes now of `bytes`, taking it off their front; false once the socket
// has failed (what it did not take is then never sent).
bool sendWhatFits(int sock, std::string_view& bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(sock, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes.remove_prefix(size_t(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        return sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

// Whether a whole head declares a body: any Transfer-Encoding, or a Content-Length other than 0.
// The server answers bodiless GETs only, and a body would be read on a worker.
bool declaresBody(std::string_view head) {
    for (size_t at = head.find('\n'); at != std::string_view::npos && at + 1 < head.size();) {
        const size_t next = head.find('\n', at + 1);
        const std::string_view line = head.substr(at + 1, next == std::string_view::npos ? next : next - at - 1);
        at = next;
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = trimmed(line.substr(0, colon));
        const std::string_view value = trimmed(line.substr(colon + 1));
        if (sameName(name, "transfer-encoding")) return true;
        if (sameName(name, "content-length") && (value.empty() || value.find_first_not_of('0') != value.npos))
            return true;
    }
    return false;
}

}  // namespace

std::string limitKey(const std::string& address) {
    in6_addr six{};
    if (::inet_pton(AF_INET6, address.c_str(), &six) != 1) return address;
    std::memset(&six.s6_addr[8], 0, 8);
    char text[INET6_ADDRSTRLEN] = "";
    ::inet_ntop(AF_INET6, &six, text, sizeof text);
    return std::string(text) + "/64";
}

std::string blockKey(const std::string& address) {
    char text[INET6_ADDRSTRLEN] = "";
    in_addr four{};
    in6_addr six{};
    if (::inet_pton(AF_INET, address.c_str(), &four) == 1) {
        four.s_addr &= htonl(0xFFFFFF00u);
        ::inet_ntop(AF_INET, &four, text, sizeof text);
        return std::string(text) + "/24";
    }
    if (::inet_pton(AF_INET6, address.c_str(), &six) == 1) {
        std::memset(&six.s6_addr[6], 0, 10);
        ::inet_ntop(AF_INET6, &six, text, sizeof text);
        return std::string(text) + "/48";
    }
    return address + "/?";
}

// ---- Set-up, the door and the counts read from outside

ConnectionGate::ConnectionGate(GateLimits limits, Serve serve) : limits_(limits), serve_(std::move(serve)) {
    events_ = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.ptr = nullptr;  // no connection: the wake pipe
    if (events_ < 0 || ::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0 ||
        ::epoll_ctl(events_, EPOLL_CTL_ADD, wake_[0], &wake) != 0) {
        setupError_ = errno;
        for (int fd : wake_)
            if (fd >= 0) ::close(fd);
        wake_[0] = wake_[1] = -1;
        return;  // no threads: there is nothing to wake them, or to stop them, with
    }
    gatherer_ = std::thread([this] { gather(); });
    for (int k = 0; k < std::max(1, limits_.workers); ++k) workers_.emplace_back([this] { work(); });
}

ConnectionGate::~ConnectionGate() {
    stop();
    for (int fd : {wake_[0], wake_[1], events_})
        if (fd >= 0) ::close(fd);
}

int ConnectionGate::refused() const {
    std::lock_guard lock(mutex_);
    return refused_;
}

int ConnectionGate::evicted() const {
    std::lock_guard lock(mutex_);
    return evicted_;
}

size_t ConnectionGate::answerBytesHeld() const {
    std::lock_guard lock(mutex_);
    return answerHeld_;
}

void ConnectionGate::admit(int sock) {
    auto c = std::make_unique<Connection>();
    c->sock = sock;
    namePeer(*c);
    bool wake = false, stopping = false, queued = false;
    {
        std::unique_lock lock(mutex_);
        // Past its own caps it is turned away here and now: a flood from one address or network
        // costs this thread a lookup, and takes no place in the queue.
        const auto overItsCaps = [&] { return atItsCaps(*c); };
        // A full queue holds this thread, and the kernel's listening queue holds the sockets still
        // to come (its SYNs past that are sent again): turning them away here would turn away
        // honest clients as often as a flood's, in proportion.
        const size_t room = size_t(std::max(1, limits_.doorQueue));
        doorRoom_.wait(lock, [&] { return stopping_ || !ready() || overItsCaps() || door_.size() < room; });
        stopping = stopping_;
        queued = !stopping_ && ready() && !overItsCaps();
        if (queued) {
            // A wake is owed only when nothing was waiting: else one is on its way already.
            wake = door_.empty() && answers_.empty();
            c->since = Clock::now();
            door_.push_back(std::move(c));
        } else {
            ++refused_;
        }
    }
    if (!queued) {
        if (!stopping) ::send(sock, kTooMany, sizeof kTooMany - 1, MSG_DONTWAIT | MSG_NOSIGNAL);
        ::close(sock);
    }
    if (wake) wakeGatherer();
}

void ConnectionGate::namePeer(Connection& c) {
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    char text[INET6_ADDRSTRLEN] = "";
    if (::getpeername(c.sock, reinterpret_cast<sockaddr*>(&peer), &size) == 0) {
        if (peer.ss_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(&peer);
            ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
            c.port = ntohs(in->sin_port);
        } else if (peer.ss_family == AF_INET6) {
            const auto* in = reinterpret_cast<const sockaddr_in6*>(&peer);
            // An IPv4 peer of a listener on both families is named as an IPv4 listener names it:
            // one address to the limits, and one the games list can give the game.
            if (IN6_IS_ADDR_V4MAPPED(&in->sin6_addr))
                ::inet_ntop(AF_INET, &in->sin6_addr.s6_addr[12], text, sizeof text);
            else
                ::inet_ntop(AF_INET6, &in->sin6_addr, text, sizeof text);
            c.port = ntohs(in->sin6_port);
        }
    }
    c.address = text;
    c.limitKey = limitKey(c.address);
    c.blockKey = blockKey(c.address);
}

void ConnectionGate::wakeGatherer() {
    const char byte = 1;
    [[maybe_unused]] const ssize_t woke = ::write(wake_[1], &byte, 1);  // a full pipe wakes it as well
}

bool ConnectionGate::Connection::send(std::string_view bytes) {
    if (failed) return false;
    if (unsentAt == unsent.size()) {  // nothing waits before these bytes: straight to the socket
        unsent.clear();
        unsentAt = 0;
        if (!sendWhatFits(sock, bytes)) {
            failed = true;
            return false;
        }
    }
    unsent.append(bytes);
    return true;
}

// ---- Counting, under the lock

void ConnectionGate::unrank(Network& n) {
    if (!n.waiting.empty()) waitingRank_.erase({-n.held, n.waiting.front()->age, &n});
    if (!n.writing.empty()) writingRank_.erase({-n.held, n.writing.front()->age, &n});
}

void ConnectionGate::rerank(Network& n) {
    if (!n.waiting.empty()) waitingRank_.insert({-n.held, n.waiting.front()->age, &n});
    if (!n.writing.empty()) writingRank_.insert({-n.held, n.writing.front()->age, &n});
}

bool ConnectionGate::atItsCaps(const Connection& c, int* heldByBlock) const {
    const auto address = addresses_.find(c.limitKey);
    const auto network = networks_.find(c.blockKey);
    const int held = network == networks_.end() ? 0 : network->second.held;
    if (heldByBlock) *heldByBlock = held;
    return (address != addresses_.end() && address->second >= limits_.perAddress) || held >= limits_.perBlock;
}

void ConnectionGate::countIn(Connection& c) {
    ++addresses_[c.limitKey];
    Network& n = networks_[c.blockKey];
    unrank(n);
    ++n.held;
    rerank(n);
    c.network = &n;
    ++open_;
}

void ConnectionGate::countOut(Connection& c) {
    if (!c.network) return;
    dequeue(c);
    if (const auto it = addresses_.find(c.limitKey); it != addresses_.end() && --it->second <= 0) addresses_.erase(it);
    Network& n = *c.network;
    unrank(n);
    --n.held;
    rerank(n);
    if (n.held <= 0) networks_.erase(c.blockKey);
    c.network = nullptr;
    --open_;
    answerHeld_ -= c.heldBytes;
    c.heldBytes = 0;
}

void ConnectionGate::enqueue(Connection& c, std::list<Connection*> Network::*queue) {
    Network& n = *c.network;
    unrank(n);
    c.age = ++ages_;
    c.queue = queue;
    c.place = (n.*queue).insert((n.*queue).end(), &c);
    rerank(n);
}

void ConnectionGate::dequeue(Connection& c) {
    if (!c.queue) return;
    Network& n = *c.network;
    unrank(n);
    (n.*c.queue).erase(c.place);
    c.queue = nullptr;
    rerank(n);
}

ConnectionGate::Connection* ConnectionGate::makeRoom(const Rank& rank, std::list<Connection*> Network::*queue,
                                                     int blockHeld) {
    if (rank.empty()) return nullptr;
    Network& most = *std::get<Network*>(*rank.begin());
    if (most.held <= blockHeld) return nullptr;
    Connection* victim = (most.*queue).front();
    countOut(*victim);
    ++evicted_;
    return victim;
}

// ---- The gathering thread

void ConnectionGate::gather() {
    std::array<epoll_event, 256> events;
    std::vector<std::unique_ptr<Connection>> accepted, answers;
    char buffer[256];
    for (;;) {
        const int n = ::epoll_wait(events_, events.data(), int(events.size()), msUntilNextDeadline(Clock::now()));
        // Each event names a connection still held: only its own handling below closes or passes one on.
        for (int k = 0; k < n; ++k) {
            if (events[size_t(k)].data.ptr) {
                onEvent(*static_cast<Connection*>(events[size_t(k)].data.ptr));
            } else {
                while (::read(wake_[0], buffer, sizeof buffer) > 0) {}  // before the queues are taken
            }
        }
        {
            std::lock_guard lock(mutex_);
            if (stopping_) break;
            accepted.swap(door_);
            answers.swap(answers_);
        }
        doorRoom_.notify_all();
        for (auto& c : answers) holdAnswer(std::move(c));
        answers.clear();
        for (auto& c : accepted) admitAccepted(std::move(c));
        accepted.clear();
        expire(Clock::now());
    }
    while (!gathered_.empty()) close(*gathered_.begin()->second);
}

int ConnectionGate::msUntilNextDeadline(Clock::time_point now) const {
    if (deadlines_.empty()) return -1;  // nothing waits: sleep until woken
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadlines_.begin()->first - now).count();
    return int(std::clamp<int64_t>(left + 1, 0, 60'000));
}

void ConnectionGate::watch(std::unique_ptr<Connection> c, uint32_t events) {
    Connection& held = *c;
    gathered_.emplace(&held, std::move(c));
    deadlines_.insert({held.deadline, &held});
    epoll_event e{};
    e.events = events;
    e.data.ptr = &held;
    if (::epoll_ctl(events_, EPOLL_CTL_ADD, held.sock, &e) != 0) close(held);  // the kernel out of room: given up
}

void ConnectionGate::setDeadline(Connection& c, Clock::time_point deadline) {
    deadlines_.erase({c.deadline, &c});
    c.deadline = deadline;
    deadlines_.insert({deadline, &c});
}

void ConnectionGate::close(Connection& c) {
    deadlines_.erase({c.deadline, &c});
    {
        // Counted out before the close, so that a peer that sees the close may come again.
        std::lock_guard lock(mutex_);
        countOut(c);
    }
    ::close(c.sock);  // and so out of the event queue
    gathered_.erase(&c);
}

void ConnectionGate::admitAccepted(std::unique_ptr<Connection> c) {
    Connection* victim = nullptr;
    bool admitted = false;
    {
        std::lock_guard lock(mutex_);
        // Room is made only for a connection its own caps let in, and only by closing one that
        // still waits for its head: an answer under way is bounded by its own time and bytes.
        int heldByBlock = 0;
        admitted = !atItsCaps(*c, &heldByBlock) &&
                   (open_ < limits_.total || (victim = makeRoom(waitingRank_, &Network::waiting, heldByBlock)));
        if (admitted) {
            countIn(*c);
            enqueue(*c, &Network::waiting);
        } else {
            ++refused_;
        }
    }
    if (victim) close(*victim);
    if (!admitted) {
        ::send(c->sock, kTooMany, sizeof kTooMany - 1, MSG_DONTWAIT | MSG_NOSIGNAL);
        ::close(c->sock);
        return;
    }
    ::fcntl(c->sock, F_SETFL, ::fcntl(c->sock, F_GETFL) | O_NONBLOCK);
    c->deadline = c->since + seconds(limits_.headSeconds);
    watch(std::move(c), EPOLLIN);
}

void ConnectionGate::onEvent(Connection& c) {
    switch (c.stage) {
    case Connection::Stage::kHead:
        switch (readHead(c)) {
        case HeadRead::Whole: passOn(c); break;
        case HeadRead::Dropped: close(c); break;
        case HeadRead::Waiting:
        case HeadRead::Refused: break;
        }
        break;
    case Connection::Stage::kRefused:
        if (drainDone(c)) close(c);
        break;
    case Connection::Stage::kWriting:
        if (writeDone(c)) close(c);
        break;
    case Connection::Stage::kServing: break;  // a worker's, never watched
    }
}

void ConnectionGate::expire(Clock::time_point now) {
    while (!deadlines_.empty() && deadlines_.begin()->first <= now) {
        Connection& c = *deadlines_.begin()->second;
        if (c.stage == Connection::Stage::kHead) {
            // What arrived while this thread was kept from running still counts: a busy machine
            // must not turn away a client that sent its head in time.
            const HeadRead read = readHead(c);
            if (read == HeadRead::Whole) {
                passOn(c);
                continue;
            }
            if (read == HeadRead::Refused) continue;  // with the drain's own deadline, later
        }
        close(c);  // too slow: the bound is on the whole head, or answer, not on each read
    }
}

ConnectionGate::HeadRead ConnectionGate::readHead(Connection& c) {
    char buffer[2048];
    for (;;) {
        const ssize_t got = ::recv(c.sock, buffer, sizeof buffer, 0);
        if (got > 0) {
            // What was read before holds no end, so an end can only stand among the bytes just read
            // and the few before them: a head trickled a byte at a time is searched once over, not
            // once per byte by the one thread every connection waits on.
            const size_t from = c.head.size() < kHeadEnd.size() ? 0 : c.head.size() - (kHeadEnd.size() - 1);
            const size_t lineFrom = c.head.empty() ? 0 : c.head.size() - 1;
            c.head.append(buffer, size_t(got));
            if (c.line == std::string::npos) c.line = c.head.find("\r\n", lineFrom);
            if ((c.line == std::string::npos ? c.head.size() : c.line) > limits_.lineBytes) {
                refuse(c, kLongLine);
                return HeadRead::Refused;
            }
            const size_t end = c.head.find(kHeadEnd, from);
            if (end == std::string::npos ? c.head.size() > limits_.headBytes : end + kHeadEnd.size() > limits_.headBytes) {
                refuse(c, kLongHead);
                return HeadRead::Refused;
            }
            if (end == std::string::npos) continue;
            if (declaresBody(std::string_view(c.head).substr(0, end + kHeadEnd.size()))) {
                refuse(c, kHasBody);
                return HeadRead::Refused;
            }
            return HeadRead::Whole;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return HeadRead::Waiting;
        if (got < 0 && errno == EINTR) continue;
        return HeadRead::Dropped;  // closed or failed before the head was whole
    }
}

void ConnectionGate::refuse(Connection& c, std::string_view answer) {
    ::send(c.sock, answer.data(), answer.size(), MSG_DONTWAIT | MSG_NOSIGNAL);  // far below a socket's buffer
    ::shutdown(c.sock, SHUT_WR);
    {
        std::lock_guard lock(mutex_);
        dequeue(c);  // answered: no longer one to close for room
        c.stage = Connection::Stage::kRefused;
    }
    setDeadline(c, Clock::now() + seconds(kDrainSeconds));
    std::string().swap(c.head);
}

bool ConnectionGate::drainDone(Connection& c) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::recv(c.sock, buffer, sizeof buffer, 0);
        if (got > 0) {
            c.drained += size_t(got);
            if (c.drained > kDrainBytes) return true;
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        return !(got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
    }
}

void ConnectionGate::passOn(Connection& c) {
    ::epoll_ctl(events_, EPOLL_CTL_DEL, c.sock, nullptr);  // the worker's now, until it hands an answer back
    deadlines_.erase({c.deadline, &c});
    auto node = gathered_.extract(&c);
    {
        std::lock_guard lock(mutex_);
        dequeue(c);
        c.stage = Connection::Stage::kServing;
        c.deadline = Clock::now() + seconds(limits_.answerSeconds);
        whole_.push_back(std::move(node.mapped()));
    }
    ready_.notify_one();
}

void ConnectionGate::holdAnswer(std::unique_ptr<Connection> c) {
    const size_t bytes = c->unsent.size() - c->unsentAt;
    std::vector<Connection*> victims;
    bool held = false;
    {
        std::lock_guard lock(mutex_);
        // Room for its bytes is made among the answers of networks holding at least as many
        // connections as its own (itself among them), its own network's older answers too.
        const int othersOfBlock = c->network->held - 1;
        while (answerHeld_ + bytes > limits_.answerBytes) {
            Connection* victim = makeRoom(writingRank_, &Network::writing, othersOfBlock);
            if (!victim) break;
            victims.push_back(victim);
        }
        held = answerHeld_ + bytes <= limits_.answerBytes;
        if (held) {
            answerHeld_ += bytes;
            c->heldBytes = bytes;
            c->stage = Connection::Stage::kWriting;
            enqueue(*c, &Network::writing);
        }
    }
    for (Connection* victim : victims) close(*victim);
    if (held) {
        watch(std::move(c), EPOLLOUT);
    } else {
        release(*c);  // cut short: no room for what is left of it
    }
    if (limits_.served) limits_.served(held ? bytes : 0);
}

bool ConnectionGate::writeDone(Connection& c) {
    std::string_view rest = std::string_view(c.unsent).substr(c.unsentAt);
    const bool alive = sendWhatFits(c.sock, rest);
    c.unsentAt = c.unsent.size() - rest.size();
    return !alive || rest.empty();
}

// ---- The workers

void ConnectionGate::work() {
    for (;;) {
        std::unique_ptr<Connection> c;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || !whole_.empty(); });
            if (stopping_) return;
            c = std::move(whole_.front());
            whole_.pop_front();
        }
        serve_(*c);
        if (!c->failed && c->unsentAt < c->unsent.size()) {
            // What the socket did not take, the gathering thread writes as the client reads.
            bool wake = false;
            {
                std::lock_guard lock(mutex_);
                if (!stopping_) {
                    wake = door_.empty() && answers_.empty();
                    answers_.push_back(std::move(c));
                }
            }
            if (!c) {
                if (wake) wakeGatherer();
                continue;
            }
        }
        release(*c);
        if (limits_.served) limits_.served(0);
    }
}

void ConnectionGate::release(Connection& c) {
    {
        std::lock_guard lock(mutex_);
        countOut(c);
    }
    if (c.sock >= 0) ::close(c.sock);
    c.sock = -1;
}

void ConnectionGate::stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && !gatherer_.joinable()) return;
        stopping_ = true;
    }
    ready_.notify_all();
    doorRoom_.notify_all();
    if (wake_[1] >= 0) wakeGatherer();
    if (gatherer_.joinable()) gatherer_.join();
    for (std::thread& t : workers_)
        if (t.joinable()) t.join();
    workers_.clear();
    std::vector<std::unique_ptr<Connection>> door, left;
    {
        std::lock_guard lock(mutex_);
        door.swap(door_);
        for (auto& c : answers_) left.push_back(std::move(c));
        for (auto& c : whole_) left.push_back(std::move(c));
        answers_.clear();
        whole_.clear();
    }
    for (auto& c : door) ::close(c->sock);  // never counted in
    for (auto& c : left) release(*c);
}

}  // namespace pellam::games
