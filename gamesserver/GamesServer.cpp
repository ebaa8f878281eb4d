#include "gamesserver/GamesServer.h"

#include <arpa/inet.h>

#include <cctype>
#include <charconv>
#include <chrono>
#include <cstring>
#include <httplib.h>
#include <sys/socket.h>

#include "platform/Utf8.h"

namespace pellam::games {
namespace {

constexpr std::string_view kNoGames = "No games currently";
constexpr std::string_view kLineBreak = "<br>";
constexpr std::string_view kPageEnd = "</body></html>\n";

// A whole decimal number in [lo, hi], nothing else.
std::optional<int> wholeNumber(const std::string& text, int lo, int hi) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < lo || value > hi) return std::nullopt;
    return value;
}

// "R=1 Blu=0 Y=0 Blk=0" as the game sends it, each count 0 to 8; anything else gives no teams.
// Each count is read whole: a number past an int's range is refused, never wrapped into one.
std::optional<std::array<int, 4>> readTeams(std::string_view text) {
    static constexpr std::string_view kKeys[] = {"R=", " Blu=", " Y=", " Blk="};
    std::array<int, 4> teams{};
    for (size_t k = 0; k < teams.size(); ++k) {
        if (!text.starts_with(kKeys[k])) return std::nullopt;
        text.remove_prefix(kKeys[k].size());
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), teams[k]);
        if (ec != std::errc() || teams[k] < 0 || teams[k] > 8) return std::nullopt;
        text.remove_prefix(size_t(end - text.data()));
    }
    if (!text.empty()) return std::nullopt;
    return teams;
}

// What an announcement or an end report is answered: its status, and a line saying what was done.
std::pair<int, std::string> answerTo(Stored stored, int64_t expirySeconds) {
    switch (stored) {
    case Stored::kListed: return {200, "listed"};
    case Stored::kListedInTurns:
        return {200, "listed, shown in turns: more networks list games than the page has rows, and its last rows "
                     "show the next of them at each fetch"};
    case Stored::kNotShown:
        return {202, "kept, but not shown: the page is full of games of networks listing fewer; it is shown once "
                     "there is room"};
    case Stored::kListedPlaceUnknown: return {200, "listed; where the page shows it could not be read"};
    case Stored::kEnded: return {200, "ended"};
    case Stored::kNotListed: return {404, "no game of that name is listed from this address"};
    case Stored::kSeveralOfName:
        return {409, "several games of that name are listed from this address: none ended; each leaves the list " +
                         std::to_string(expirySeconds) + " s after its last announcement"};
    case Stored::kTooManyFromAddress: return {429, "too many games from this address"};
    case Stored::kTooManyFromNetwork: return {429, "too many games from this network"};
    case Stored::kFull: return {503, "the list is full"};
    case Stored::kFailed: break;
    }
    return {500, "not stored"};
}

// A title as the page gives it: its line breaks kept, every piece between them escaped.
std::string pageTitle(std::string_view title) {
    std::string out;
    for (size_t at = 0;;) {
        const size_t br = title.find(kLineBreak, at);
        out += htmlEscape(title.substr(at, br == std::string::npos ? std::string::npos : br - at));
        if (br == std::string::npos) break;
        out += kLineBreak;
        at = br + kLineBreak.size();
    }
    return out;
}

// Takes every Range line out of a request head. The game never asks for part of a page, and the
// library would answer each of a thousand ranges with a copy of the page: every request is
// answered whole.
void dropRanges(std::string& head) {
    const size_t end = head.find("\r\n\r\n");
    if (end == std::string::npos) return;
    std::string kept;
    size_t at = 0;
    while (at < end + 2) {
        const size_t next = head.find('\n', at) + 1;  // within the head: it ends in a line feed
        const std::string_view line(head.data() + at, next - at);
        size_t name = 0;
        while (name < line.size() && (line[name] == ' ' || line[name] == '\t')) ++name;
        std::string lower;
        for (size_t k = name; k < line.size() && line[k] != ':'; ++k) lower += char(std::tolower(line[k]));
        while (!lower.empty() && (lower.back() == ' ' || lower.back() == '\t')) lower.pop_back();
        if (at == 0 || lower != "range") kept += line;
        at = next;
    }
    head.replace(0, end + 2, kept);
}

// A gathered connection as the HTTP library reads and writes it: the head already read, and the
// answer sent through the gate, which keeps what the socket does not take at once. Nothing here
// waits on the client: a worker serves and is free.
class GatheredStream final : public httplib::Stream {
public:
    explicit GatheredStream(ConnectionGate::Connection& c) : c_(c) {}
    bool is_readable() const override { return at_ < c_.head.size(); }
    bool is_writable() const override { return !c_.failed; }
    // The head is whole and declares no body: nothing past it is ever wanted.
    ssize_t read(char* ptr, size_t size) override {
        const size_t n = std::min(size, c_.head.size() - at_);
        std::memcpy(ptr, c_.head.data() + at_, n);
        at_ += n;
        return ssize_t(n);
    }
    ssize_t write(const char* ptr, size_t size) override {
        return c_.send(std::string_view(ptr, size)) ? ssize_t(size) : -1;
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        ip = c_.address;
        port = c_.port;
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        ip.clear();
        port = 0;
    }
    socket_t socket() const override { return c_.sock; }

private:
    ConnectionGate::Connection& c_;
    size_t at_ = 0;
};

// Runs each hand-over on the accepting thread itself, in accept order: what waits for the gate
// waits in its own bounded queue, never in one that grows as fast as clients connect.
class OnTheAcceptingThread final : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override {}
};

}  // namespace

// The HTTP library with its connections handed to the gate: its accepting thread only passes
// them on, and the gate's workers run the library's request handling on whole requests.
class GamesServer::GatedHttp : public httplib::Server {
public:
    explicit GatedHttp(const GateLimits& limits)
        : gate_(limits, [this](ConnectionGate::Connection& c) {
              dropRanges(c.head);
              GatheredStream stream(c);
              bool closed = false;
              process_request(stream, true, closed, [](httplib::Request&) {});
          }) {
        new_task_queue = [] { return new OnTheAcceptingThread; };
    }
    ~GatedHttp() override { gate_.stop(); }
    void stopGate() { gate_.stop(); }
    bool gateReady() const { return gate_.ready(); }
    int gateError() const { return gate_.setupError(); }

private:
    bool process_and_close_socket(socket_t sock) override {
        gate_.admit(sock);
        return true;
    }
    ConnectionGate gate_;
};

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (text.substr(i, kNoGames.size()) == kNoGames) {
            out += "No&#32;";  // the page's empty-list phrase, which would empty the whole list
            i += 2;
            continue;
        }
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += ch;
        }
    }
    return out;
}

std::string renderPage(const std::vector<Game>& games) {
    // Escaping can make a title six times its length: 100 rows of quotes would pass the 512 KB the
    // game reads of a page, and every fetch would cost that much.
    constexpr size_t kPageBytes = 256 * 1024;
    std::string page = "<html><head><title>Pellam network games</title></head><body>\n<h3>Pellam network games</h3>\n";
    if (games.empty()) page += "<p>" + std::string(kNoGames) + " listed. Host one!</p>\n";
    size_t rows = 0;
    for (const Game& g : games) {
        std::string row = "<!-- " + std::to_string(rows) + " -->\n<UL><!--HN--> " + htmlEscape(g.name) +
                          "<br>\n<!--HM-->" + pageTitle(g.title) + "</UL>\n";
        if (g.teams) {
            const auto& t = *g.teams;
            row += "<!--TD--> Red:" + std::to_string(t[0]) + " Blue:" + std::to_string(t[1]) +
                   " Yellow:" + std::to_string(t[2]) + " Black:" + std::to_string(t[3]) + "<br>\n";
        } else {
            row += "<!--NP--> " + std::to_string(g.players) + "<br>\n";
        }
        row += "<!--IP--> " + htmlEscape(g.host) + ":<!--PO-->" + std::to_string(g.port) + "<br>\n";
        // Announcements are bounded to fit 100 rows; a longer row (a store kept before) is left
        // off alone, and the rows after it still shown.
        if (page.size() + row.size() + kPageEnd.size() > kPageBytes) continue;
        page += row;
        ++rows;
    }
    page += kPageEnd;
    return page;
}

Announcement readAnnouncement(const std::string& address, const std::function<const std::string*(const char*)>& param,
                              const Limits& limits) {
    // The page gives the address before a colon, and the game joins IPv4 addresses only.
    in_addr ipv4{};
    if (::inet_pton(AF_INET, address.c_str(), &ipv4) != 1) return Refusal{403, "the game joins IPv4 addresses only"};
    const std::string* host = param("host");
    const std::string* port = param("port");
    if (!host || host->empty() || !port) return Refusal{400, "host and port are needed"};
    // Text that is not UTF-8 is mended as the game mends a name from another machine: each broken
    // sequence becomes U+FFFD, and the whole is cut back to its bound on a character's edge. Text
    // with characters that could hide, reorder or break what the join window shows is refused.
    const auto readable = [](const std::string& text, size_t bytes, std::string& into) {
        if (text.size() > bytes) return false;
        into = platform::cutToBytes(platform::repairedUtf8(text), bytes);
        return !platform::hasHiddenControls(into);
    };
    Game g;
    g.host = address;
    if (!readable(*host, limits.nameBytes, g.name)) return Refusal{400, "host name too long or unreadable"};
    const auto portNumber = wholeNumber(*port, 0, 65535);
    if (!portNumber) return Refusal{400, "port must be 0 to 65535"};
    g.port = *portNumber;
    if (g.port == 0) return g;  // the end report: nothing more is read
    const std::string* players = param("players");
    const auto count = players ? wholeNumber(*players, 1, 8) : std::optional<int>(1);
    if (!count) return Refusal{400, "players must be 1 to 8"};
    g.players = *count;
    const std::string* title = param("title");
    if (title && !readable(*title, limits.titleBytes, g.title)) return Refusal{400, "title too long or unreadable"};
    // What the game sends escapes to at most this; more would take another host's room on the page.
    if (pageTitle(g.title).size() > limits.titlePageBytes) return Refusal{400, "title too long for the list page"};
    if (const std::string* teams = param("teams")) g.teams = readTeams(*teams);
    return g;
}

bool RateLimiter::allow(const std::string& address, double nowSeconds) {
    std::lock_guard lock(mutex_);
    // Forget addresses whose bucket has long been full again, so the map stays small.
    if (buckets_.size() > 50000)
        std::erase_if(buckets_, [&](const auto& entry) { return nowSeconds - entry.second.at > burst_ / perSecond_; });
    auto [it, added] = buckets_.try_emplace(address, Bucket{burst_, nowSeconds});
    Bucket& b = it->second;
    b.tokens = std::min(burst_, b.tokens + (nowSeconds - b.at) * perSecond_);
    b.at = nowSeconds;
    if (b.tokens < 1.0) return false;
    b.tokens -= 1.0;
    return true;
}

GamesServer::GamesServer(ServerOptions options)
    : options_(std::move(options)), http_(std::make_unique<GatedHttp>(options_.gate)),
      announceLimiter_(options_.burst, options_.perSecond), listLimiter_(options_.burst, options_.perSecond) {}

GamesServer::~GamesServer() { stop(); }

int64_t GamesServer::now() const {
    if (options_.clock) return options_.clock();
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

bool GamesServer::bind(std::string& error) {
    if (!http_->gateReady()) {
        error = std::string("cannot set up the connection gate: no event queue, or no pipe to wake it (") +
                std::strerror(http_->gateError()) + ")";
        return false;
    }
    store_ = std::make_unique<GamesStore>(options_.dbPath, options_.limits);
    if (!store_->ok()) {
        error = store_->error();
        return false;
    }
    httplib::Server& http = *http_;
    http.set_payload_max_length(4096);

    auto limited = [](RateLimiter& limiter, const httplib::Request& req, httplib::Response& res) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        if (limiter.allow(limitKey(req.remote_addr), seconds)) return false;
        res.status = 429;
        res.set_content("too many requests\n", "text/plain");
        return true;
    };
    http.Get("/hostgameruzk.php", [this, limited](const httplib::Request& req, httplib::Response& res) {
        if (limited(announceLimiter_, req, res)) return;
        auto param = [&req](const char* key) -> const std::string* {
            const auto it = req.params.find(key);
            return it == req.params.end() ? nullptr : &it->second;
        };
        Announcement a = readAnnouncement(req.remote_addr, param, store_->limits());
        if (const Refusal* r = std::get_if<Refusal>(&a)) {
            res.status = r->status;
            res.set_content(r->reason + "\n", "text/plain");
            return;
        }
        const Game& g = std::get<Game>(a);
        const auto [status, text] = answerTo(g.port == 0 ? store_->end(g.host, g.name, now()) : store_->announce(g, now()),
                                             store_->limits().expirySeconds);
        res.status = status;
        res.set_content(text + "\n", "text/plain");
    });
    http.Get("/vantorgames.php", [this, limited](const httplib::Request& req, httplib::Response& res) {
        if (limited(listLimiter_, req, res)) return;
        res.set_header("Cache-Control", "no-store");
        res.set_content(renderPage(store_->list(now())), "text/html; charset=utf-8");
    });

    // The library listens with a backlog of 5: a burst of new connections would see SYNs
    // dropped and a second's retransmission. Its socket gets a deeper queue once bound.
    http.set_socket_options([this](socket_t sock) {
        httplib::default_socket_options(sock);
        listening_ = sock;
    });
    const auto deepenBacklog = [this] {
        if (listening_ >= 0) ::listen(listening_, 1024);
    };
    if (options_.port == 0) {
        port_ = http.bind_to_any_port(options_.listenHost.c_str());
        if (port_ <= 0) {
            listening_ = -1;  // closed by the library
            error = "cannot listen on " + options_.listenHost;
            return false;
        }
    } else if (!http.bind_to_port(options_.listenHost.c_str(), options_.port)) {
        listening_ = -1;
        error = "cannot listen on " + options_.listenHost + ":" + std::to_string(options_.port);
        return false;
    } else {
        port_ = options_.port;
    }
    deepenBacklog();
    return true;
}

void GamesServer::run() {
    http_->listen_after_bind();
    listening_ = -1;  // closed by the library as its loop ended
}

void GamesServer::start() {
    thread_ = std::thread([this] { run(); });
    // Ready once its accept loop runs: at most a few milliseconds.
    for (int i = 0; i < 2000 && !http_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void GamesServer::stop() {
    // The library's own stop does nothing before its accept loop has begun, and a stop that came
    // first would leave run() in accept for ever. A listening socket shut down ends the loop
    // whenever it begins: accept fails at once, and the library closes the socket.
    if (const int sock = listening_.exchange(-1); sock >= 0) ::shutdown(sock, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    if (http_) http_->stopGate();
}

}  // namespace pellam::games
