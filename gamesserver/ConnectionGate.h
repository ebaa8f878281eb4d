#pragma once
// What stands between the listening socket and the request handlers. Each address, and each
// /24 (IPv4) or /48 (IPv6) network, may hold only a few connections at once, and a request's head
// must arrive whole within a bound from the accept. One thread gathers the heads of every waiting
// connection at once, so a client that trickles its request a byte at a time holds a file
// descriptor, never a worker. The requests served are bodiless GETs: a head that declares a body,
// or whose request line or head is over-long, is answered by that thread (413, 414, 431) and
// closed. The workers only ever see whole requests and never wait on a client: what of an answer
// the socket will not take at once, that same thread writes as the client reads, within a bound.
// When the connections held, or the answers' bytes left to write, reach their caps, a newcomer
// takes the place of a connection of the network holding the most, the one that has waited
// longest, while that network holds more than the newcomer's: so the networks present share the
// caps, and many networks of idle or unread connections cannot lock out another.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pellam::games {

// What the limits count a peer as: an IPv4 address itself, an IPv6 one by its /64 prefix, the
// least one subscriber is given, so that a sender cannot take a fresh address for each connection.
std::string limitKey(const std::string& address);
// The network a sender's neighbouring addresses share: an IPv4 /24, an IPv6 /48.
std::string blockKey(const std::string& address);

struct GateLimits {
    int perAddress = 4;          // connections one address may hold at once
    int perBlock = 32;           // connections one /24 or /48 may hold
    int total = 900;             // connections held at once, below the usual 1,024 descriptors
    double headSeconds = 2.0;    // from the accept until the request's head is whole
    double answerSeconds = 2.0;  // from then until the answer is written
    size_t lineBytes = 4096;     // a longer request line is answered 414 (the game's longest is ~3 KB)
    size_t headBytes = 8192;     // a longer head is answered 431
    // Answers' bytes the sockets have not taken, held for their readers at once: 256 list pages of
    // 256 KB, where 900 unread ones would take 230 MB.
    size_t answerBytes = size_t(64) << 20;
    int workers = 8;
    // Called on a worker once a request is served, with the bytes of its answer left for the gate
    // to write (0: all sent): for tests that wait until clients that do not read hold their answers.
    std::function<void(size_t unsent)> served;
};

class ConnectionGate {
public:
    using Clock = std::chrono::steady_clock;
    struct Connection {
        int sock = -1;
        std::string address;  // dotted, of the peer
        std::string limitKey;  // what the per-address cap counts it as
        std::string blockKey;  // what the per-network cap counts it as
        int port = 0;
        std::string head;     // what was read: the head whole, perhaps more
        Clock::time_point deadline;  // for the head; then for the answer (or the drain after a refusal)
        size_t line = std::string::npos;  // the request line's length, once its end has come
        size_t drained = 0;  // bytes read and dropped after the gate's own refusal was sent
        bool refused = false;
        Clock::time_point since;  // accepted
        std::string unsent;       // of the answer, what the socket has not taken yet
        size_t unsentAt = 0;      // bytes of `unsent` written since
        size_t heldBytes = 0;     // of `unsent`, counted against `answerBytes`
        bool writing = false;     // served; the gatherer writes `unsent` as the client reads
        bool evictable = false;   // held by the gatherer, where room may be made by closing it
        bool evicted = false;     // closed to make room: counted out already (under the gate's lock)
        bool failed = false;      // the socket failed while the answer was being sent

        // Sends what the socket takes now and keeps the rest for the gate to write once the serving
        // returns, so that a worker never waits on a client. False once the socket has failed.
        bool send(std::string_view bytes);
    };
    using Serve = std::function<void(Connection&)>;

    ConnectionGate(GateLimits limits, Serve serve);
    ~ConnectionGate();
    ConnectionGate(const ConnectionGate&) = delete;
    ConnectionGate& operator=(const ConnectionGate&) = delete;

    // Takes an accepted socket: refused at once (a 429 when its address holds too many), or
    // gathered and then served. Any thread.
    void admit(int sock);
    // Closes every connection and ends the threads; nothing is served after it returns.
    void stop();
    int refused() const;
    int evicted() const;  // connections closed to make room for others
    // False when the gate could not be set up (its wake pipe): it serves nothing, has no threads,
    // and turns every connection away.
    bool ready() const { return wake_[0] >= 0; }
    int setupError() const { return setupError_; }  // errno of the failed set-up, else 0

private:
    enum class HeadRead { Waiting, Whole, Dropped, Refused };
    // Reads what the socket holds now: the head whole, more to wait for, a connection to drop, or
    // one answered here with a refusal.
    HeadRead readHead(Connection& c);
    // Sends `answer`, stops writing, and keeps the connection a little to read what the client
    // still sends: closing with unread bytes would reset it and could lose the answer.
    void refuse(Connection& c, std::string_view answer);
    // Reads and drops what a refused client sends; true once it has closed or sent too much.
    bool drainDone(Connection& c);
    // Hands a whole head to the workers, with the answer's own deadline; false (nothing done) when
    // the connection was closed to make room meanwhile.
    bool passOn(std::unique_ptr<Connection>& c);
    // Hands a served connection whose answer the socket has not wholly taken to the gatherer.
    void leaveAnswer(std::unique_ptr<Connection>& c);
    // Writes what the socket takes of an answer left to the gatherer; true once done or failed.
    bool writeDone(Connection& c);
    // Under the lock: counts out a connection the gatherer holds (one writing an answer, with
    // `writersOnly`), of the network holding the most connections, more than `blockHeld`, the one
    // waiting longest; the gatherer closes it. False when no network holds more than `blockHeld`.
    bool makeRoom(int blockHeld, bool writersOnly);
    void countOut(Connection& c);  // under the lock: its counts, bytes and place among the evictable
    int heldBy(const std::string& key) const;  // under the lock: connections of an address or network
    void gather();
    void work();
    void release(Connection& c);

    GateLimits limits_;
    Serve serve_;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::map<std::string, int> held_;  // connections per address and per network (keys differ)
    int open_ = 0;
    int refused_ = 0;
    int evicted_ = 0;
    size_t answerHeld_ = 0;               // bytes counted in by connections' `heldBytes`
    std::vector<Connection*> evictable_;  // the connections the gatherer holds
    bool stopping_ = false;
    std::vector<std::unique_ptr<Connection>> incoming_;  // admitted, not yet seen by the gatherer
    std::deque<std::unique_ptr<Connection>> whole_;      // heads complete, for the workers
    int wake_[2] = {-1, -1};                             // a pipe that wakes the gatherer
    int setupError_ = 0;
    std::thread gatherer_;
    std::vector<std::thread> workers_;
};

}  // namespace pellam::games
