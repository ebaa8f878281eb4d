// The protocol engine fed a hostile sequence of datagrams: the fuzzer's bytes are a script that
// sets this machine up as host or joiner (accepted or not, with joiners already admitted), then
// runs steps: a datagram arrives from one of a few senders (hand-built from a few fuzzed fields
// so the parsers pass, or raw, or built and then garbled), a frame of some ticks passes, or the
// player does something (accepts or declines a request, types, starts a new game, ends the game).
//
// The game's side checks every argument the engine hands it against what the game assumes:
// slots, model indexes, teams and aircraft types, delays, paint-job names and textures; and who
// may be asked what: only the host player's accept starts a joiner, only admitted joiners are
// applied, credited and let go, and a joiner starts only the game of the host that accepted it.
// After every step the engine's own tables are checked too, and the close must give back every
// joiner slot and paint-job texture. Any failed check aborts.
//
// No socket is opened: the engine runs without one, datagrams go straight into its receive ring
// stamped as the receiver stamps them, and the tick clock moves only when the script says.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <span>
#include <string>

#include "net/EngineServices.h"
#include "net/NetworkSockets.h"
#include "platform/TickCount.h"
#include "platform/Utf8.h"

namespace {

using namespace pellam;
using namespace pellam::net;

#define CHECK(holds)                                                                          \
    do {                                                                                      \
        if (!(holds)) {                                                                       \
            std::fprintf(stderr, "net_engine_fuzz: check failed at line %d: %s\n", __LINE__, #holds); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)

int32_t clockTicks = 0;

bool anySlot(int slot) { return slot >= 0 && slot <= 7; }
bool joinerSlot(int slot) { return slot >= 1 && slot <= 7; }
bool knownTeam(int32_t team) { return team >= 1 && team <= 4; }
bool knownType(int32_t type) { return type == 55 || type == 64 || type == 77; }

// A paint-job name becomes a file name: it must stay inside the paint-job folder.
bool fileNameSafe(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameChars || name.front() == '.') return false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u >= 127 || c == '/' || c == '\\') return false;
    }
    return true;
}

// The script, read from the front; an exhausted script reads zeros.
struct Script {
    const uint8_t* at;
    size_t left;
    bool empty() const { return left == 0; }
    uint8_t byte() {
        if (left == 0) return 0;
        --left;
        return *at++;
    }
    // Each read sequenced before the next: the operands of | may be evaluated in either order.
    uint16_t u16() {
        const uint8_t high = byte();
        return static_cast<uint16_t>(high << 8 | byte());
    }
    uint32_t u32() {
        const uint32_t high = u16();
        return high << 16 | u16();
    }
    std::string text(size_t most) {
        std::string s(std::min<size_t>(byte() % (most + 1), left), '\0');
        for (char& c : s) c = static_cast<char>(byte());
        return s;
    }
};

struct Plane {
    bool present = true, remote = false;
    int32_t team = 1, type = 55, timeOfReset = 0, whoShotMe = -1;
    double height = 3000.0;
};

// The game as the engine sees it, checking what the real one (game/GameNetwork.cpp and what it
// calls) relies on.
struct Game final : EngineServices {
    const BSDNetworkSockets* link = nullptr;
    bool host = false, paintJobs = false;
    bool accepting = false;      // the host player is accepting the waiting request
    std::set<int> admitted;      // host: joiner slots started and not yet left
    int models = 0;
    uint32_t deadPattern = 0;
    std::array<Plane, 8> planes;
    std::array<std::array<int32_t, 2>, 8> results{};
    std::array<int32_t, 4> teams{}, left{};
    std::set<int32_t> textures;  // handed out and not yet deleted
    int32_t nextTexture = 1;

    SlotAircraft aircraftInSlot(int s) override {
        CHECK(anySlot(s));
        return {!planes[s].remote, planes[s].height, planes[s].team, planes[s].type};
    }
    bool doIhaveBombs(int joiner) override {
        CHECK(host && joinerSlot(joiner));
        return joiner % 2 == 0;
    }
    uint32_t getMissionHash() override { return 0xC0FFEE; }
    double getMissionSeconds() override { return 12.5; }
    void startJoinerAircraft(int j, int32_t team, int32_t type) override {
        // Written into the mission's start records, whose teams are 1..4.
        CHECK(host && joinerSlot(j) && knownTeam(team) && knownType(type));
        // Only the host player's accept starts a joiner; a datagram only repeats the accept of
        // the joiner holding the slot.
        CHECK(accepting || (admitted.count(j) && link->joinerAddress(j) != 0));
        admitted.insert(j);
        results[j] = {0, 0};
        planes[j] = Plane{true, true, team, type, clockTicks};
    }
    wire::StateBlockBytes stateBlock(int s) override {
        CHECK(anySlot(s));
        wire::StateBlockBytes b{};
        wire::AircraftState a;
        a.position = {100.0 * s, planes[s].height, 0};
        wire::encodeAircraftState(a, b.data());
        return b;
    }
    double totalHits(int s) override {
        CHECK(anySlot(s));
        return s * 1.5;
    }
    void reportNetworkHits(int s, double hits) override { CHECK(anySlot(s) && hits >= 0 && hits < 1e6); }
    bool resetRecently(int s) override {
        CHECK(anySlot(s));
        return clockTicks - planes[s].timeOfReset < 300;
    }
    void clearHits(int s) override { CHECK(anySlot(s)); }
    uint8_t kills(int s) override {
        CHECK(anySlot(s));
        return static_cast<uint8_t>(results[s][0]);
    }
    int modelCount() override { return models; }
    bool isDead(int i) override {
        CHECK(i >= 0 && i < models);
        return (deadPattern >> (i % 32)) & 1u;
    }
    Facts aircraftFacts(int s) override {
        CHECK(anySlot(s));
        const Plane& p = planes[s];
        return {p.present, p.team, p.type, p.height, p.whoShotMe};
    }
    // As the game does: the set-up's age on the mission clock, taken back from the step's `now`.
    int32_t resetTick(int s, int32_t now) override {
        CHECK(anySlot(s));
        return now - (clockTicks - planes[s].timeOfReset);
    }
    // Never this machine's own aircraft: another machine only reports its own.
    Applied applyStateBlock(int s, const wire::StateBlockBytes& block, int32_t delay) override {
        CHECK(joinerSlot(s) && delay >= 0 && delay <= 60);
        CHECK(host ? admitted.count(s) && link->joinerAddress(s) != 0 : link->accepted());
        planes[s].remote = true;
        return {(block[32] & wire::stateflag::GameOver) != 0, (block[32] & wire::stateflag::BailedOut) != 0};
    }
    void setRemoteLocal(int s, bool remote) override {
        CHECK(joinerSlot(s));
        planes[s].remote = remote;
    }
    void setWhoShotMe(int s, int32_t who) override {
        CHECK(host && anySlot(s) && admitted.count(who) && s != who);
        planes[s].whoShotMe = who;
    }
    // Ground objects only (the dead-object windows start past the aircraft and debris).
    void objectDeadFromNetwork(int index, int reporter, int32_t, bool credit) override {
        CHECK(index >= DeadObjectWindow::kFirst && index < models && anySlot(reporter));
        CHECK(host ? credit && admitted.count(reporter) : !credit && reporter == 0 && link->accepted());
    }
    std::array<std::array<int32_t, 2>, 8>& aircraftResults() override { return results; }
    std::array<int32_t, 4>& teamResults() override { return teams; }
    std::array<int32_t, 4>& leftTeamKills() override { return left; }
    void setIDHelp(bool, bool) override { CHECK(!host && link->accepted()); }
    void setCameraRule(int32_t rule) override { CHECK(!host && rule >= 0 && rule <= 255); }
    void setDogfightOnly(bool, bool, int32_t restart) override { CHECK(!host && restart >= 0 && restart <= 255); }
    void setMissionHash(uint32_t, double) override { CHECK(!host); }
    void setMyJoinerBombs(bool, int joiner) override { CHECK(!host && joinerSlot(joiner) && link->accepted()); }
    // A joiner puts the other players' aircraft on the host's teams and types, never its own.
    void setNetworkDogfightOnlyTeam(int32_t team, int s) override {
        CHECK(!host && joinerSlot(s) && knownTeam(team) && link->accepted());
        planes[s].team = team;
    }
    void setNetworkAircraftTypeForAircraft(int s, int32_t type) override {
        CHECK(!host && joinerSlot(s) && knownType(type) && link->accepted());
        planes[s].type = type;
    }
    void startThisAircraft(int s, bool) override {
        CHECK(!host && joinerSlot(s));
        planes[s].timeOfReset = clockTicks;
    }
    void parkAircraft(int s) override { CHECK(!host && joinerSlot(s) && link->accepted()); }
    // A joiner starts only the game of the host that accepted it.
    void setMissionNumber(int32_t mission) override { CHECK(!host && mission >= 0 && mission <= 255 && link->accepted()); }
    void StartMission() override { CHECK(!host && link->accepted()); }
    void joinerGotEndOfGame() override { CHECK(!host); }
    int32_t getJoinerAircraftType() override {
        CHECK(!host);
        return planes[0].type;
    }
    std::string autoMessage(int k) override {
        CHECK(k >= 0 && k <= 7);
        return "Canned line " + std::to_string(k);
    }
    void playSound(int32_t, int32_t) override {}
    int32_t tryForCustomPaintJobBig(const std::string& name) override { return paintJob(name); }
    int32_t tryForCustomPaintJobSmall(const std::string& name) override { return paintJob(name); }
    int32_t paintJob(const std::string& name) {
        CHECK(fileNameSafe(name));
        if (!paintJobs || name[0] % 3 == 0) return -1;
        textures.insert(nextTexture);
        return nextTexture++;
    }
    void deleteTexture(int32_t texture) override { CHECK(textures.erase(texture) == 1); }
    void setCustomPaintJob(int s, int32_t big, int32_t small) override {
        CHECK(joinerSlot(s));
        CHECK(big <= 0 || textures.count(big));
        CHECK(small <= 0 || textures.count(small));
    }
    void joinerLeft(int s) override {
        CHECK(host && admitted.erase(s) == 1);
        results[s] = {0, 0};
        planes[s].remote = false;
    }
};

constexpr uint32_t kHostAddress = 0x0A000001;
constexpr uint16_t kHostPort = kDefaultPort;
constexpr int32_t kVersion = 13, kAppId = 2;

platform::UdpEndpoint sender(Script& s) {
    switch (s.byte() % 8) {
        case 0: return {kHostAddress, kHostPort};
        case 1: return {0x0A000002, 40001};  // the joiners admitted in setUp: 1, then 2 and 3
        case 2: return {0x0A000002, 40002};  // the first's machine from another port
        case 3: return {0x0A000003, 40002};
        case 4: return {0x0A000004, 40003};
        case 5: return {0, 40005};           // stored as address 4
        case 6: return {kHostAddress, 40006};
        default: return {s.u32(), s.u16()};
    }
}

GameRules rules(Script& s) {
    GameRules r;
    r.hostTeam = s.byte() % 6;
    r.missionNumber = s.byte();
    r.idHelp = s.byte() & 3;
    r.cameraRule = s.byte() % 4;
    r.killsToWin = s.byte();
    const uint8_t b = s.byte();
    r.dogfightOnly = b & 1;
    r.dogfightStart = (b >> 1) & 1;
    r.dogfightRestart = (b >> 2) % 4;
    r.dogKillType = (b >> 4) & 1;
    if (r.missionNumber >= kTotalIncludedMissions) r.missionHash = s.u32(), r.missionSeconds = s.byte();
    return r;
}

int32_t aircraftType(uint8_t b) {
    static constexpr int32_t kTypes[8] = {55, 64, 77, 0, 1001, 3, 55, 64};
    return b < 200 ? kTypes[b % 8] : b;
}

wire::StateBlockBytes block(Script& s, bool raw) {
    wire::StateBlockBytes b{};
    if (raw) {
        for (uint8_t& x : b) x = s.byte();
        return b;
    }
    wire::AircraftState a;
    a.position = {1000.0, 3000.0, -500.0};
    a.flags = s.byte();
    wire::encodeAircraftState(a, b.data());
    b[33] = s.byte() % 8;  // kills
    return b;
}

MessageText message(Script& s, bool withSlot) {
    MessageText m;
    const uint8_t b = s.byte();
    m.present = b & 1;
    if (!m.present) return m;
    m.number = (b >> 1) & 0x0F;
    m.channel = b >> 5;
    if (withSlot) m.fromSlot = s.byte() % 9;  // 8: refused by the reader
    m.text = s.text(60);
    return m;
}

// A packet of a type the script picks, from a few fuzzed fields; its length.
size_t buildPacket(Script& s, SendSlot slot) {
    const uint8_t flags = s.byte();
    const bool raw = flags & 0x80;
    switch (flags % 10) {
        case 0: {  // a chat line, which nothing of this game sends
            uint8_t* p = startPacket(slot, kChatLinePacket, 0);
            p[3] = s.byte() % 9;
            p[4] = s.byte();
            const std::string t = s.text(40);
            p[5] = static_cast<uint8_t>(t.size());
            std::copy(t.begin(), t.end(), p + 6);
            p[0] = 0, p[1] = static_cast<uint8_t>(6 + t.size());
            return 6 + t.size();
        }
        case 1: {
            JoinerData d;
            d.slot = s.byte() % 9;  // 0 and 8: refused by the reader
            d.stamp = static_cast<uint16_t>(clockTicks - s.byte());
            d.echo = static_cast<uint16_t>(clockTicks - s.byte());
            for (uint8_t& a : d.acks) a = s.byte() & 0x0F;
            d.aircraft = block(s, raw);
            for (uint8_t& h : d.hits) h = s.byte();
            d.deadObjects = s.u32();
            d.message = message(s, false);
            return buildJoinerData(d, slot);
        }
        case 2: {
            HostData d;
            d.stamp = static_cast<uint16_t>(clockTicks - s.byte());
            d.echo = static_cast<uint16_t>(clockTicks - s.byte());
            d.ack = s.byte();
            for (auto& a : d.aircraft) a = block(s, raw);
            d.deadObjects = s.u32();
            for (uint8_t& h : d.hits) h = s.byte();
            d.joinerKills = s.byte();
            d.message = message(s, true);
            return buildHostData(d, slot);
        }
        case 3: {
            JoinRequest r;
            const uint8_t b = s.byte();
            r.team = s.byte() % 6;
            r.version = b & 1 ? s.u16() : kVersion;
            r.appId = b & 2 ? s.byte() : kAppId;
            r.aircraftType = static_cast<uint8_t>(aircraftType(s.byte()));
            return buildJoinRequest(r, makePlayerString(s.text(18)), slot);
        }
        case 4: {
            Accept a;
            a.joinerNumber = s.byte() % 9;  // 0 and 8: refused by the reader
            a.rules = rules(s);
            a.bombs = s.byte() & 1;
            return buildAccept(a, slot);
        }
        case 5: return buildDecline(s.byte() % 7, slot);
        case 6: return buildQuit(s.byte() % 9, makePlayerString(s.text(18)), slot);
        case 7: {
            NewGame g{rules(s), false};
            g.bombs = s.byte() & 1;
            return buildNewGame(g, slot);
        }
        case 8: {
            PlayerNames n;
            for (int i = 0; i < 8; ++i) {
                const uint8_t b = s.byte();
                n.names[i] = b % 4 == 0 ? std::string() : b % 4 == 1 ? "Pilot" + std::to_string(i) : s.text(22);
                n.teams[i] = s.byte() % 6;
                n.aircraftTypes[i] = static_cast<uint8_t>(aircraftType(s.byte()));
            }
            return buildPlayerNames(n, slot);
        }
        default: return buildNotHost(slot);
    }
}

// A datagram as the receiver stores it: stamped with the tick it arrived, which may lie a tick
// or two either side of the frame's own read of the clock.
void arrive(BSDNetworkSockets& link, std::span<const uint8_t> bytes, platform::UdpEndpoint from, uint8_t jitter) {
    link.ring().store(bytes.first(std::min(bytes.size(), kMaxPacketBytes)), clockTicks - 2 + jitter % 5, from);
}

struct Run {
    Game game;
    BSDNetworkSockets link;
    int32_t missionTime = 0;

    void frame(int32_t ticks) {
        clockTicks += ticks;
        missionTime += ticks;
        link.NetworkComm(missionTime);
        checkTables();
    }
    void accept() {
        game.accepting = true;
        link.acceptJoinerPublic();
        game.accepting = false;
    }
    void deliver(std::span<const uint8_t> bytes, platform::UdpEndpoint from) {
        arrive(link, bytes, from, 2);
        frame(1);
    }
    void checkTables() {
        for (int line = 0; line < 6; ++line) CHECK(link.getMessageLines()[line][0] <= kMaxLineChars);
        CHECK(link.numberOfJoiners() <= 7 && link.getJoinerNumber() >= 0 && link.getJoinerNumber() <= 7);
        CHECK(!link.accepted() || (!game.host && joinerSlot(link.getJoinerNumber())));
        for (int s = 0; s < 8; ++s) {
            const std::string name = link.getThisPlayerNamesPtr(s);
            CHECK(name.size() <= kMaxNameChars && platform::validUtf8(name));
            // The game writes these into the mission's start records.
            CHECK(link.getJoinerTeam(s) == 0 || knownTeam(link.getJoinerTeam(s)));
            CHECK(link.getJoinerTypeForJoiner(s) == 0 || knownType(link.getJoinerTypeForJoiner(s)));
            // A slot nobody plays keeps no paint job of a player who has gone.
            for (int which = 0; which < 2; ++which) {
                const int32_t t = link.paintJob(s, which);
                CHECK(t <= 0 || (game.textures.count(t) && !name.empty()));
            }
        }
        const int32_t delay = link.delayTime();
        CHECK(delay >= 0 && delay <= 60);
    }
};

void setUp(Run& r, Script& s) {
    const uint8_t h = s.byte(), m = s.byte(), k = s.byte(), c = s.byte();
    const bool host = h & 1;
    r.game.host = host;
    r.game.paintJobs = h & 8;
    r.game.models = m * 2;  // 0..510: past the last dead-object window (457) too
    r.game.deadPattern = s.u32();
    const int32_t team = k % 4 + 1;
    r.game.planes[0].team = team;
    for (int n = 1; n < 8; ++n) {
        r.game.planes[n].team = (n + k) % 4 + 1;
        r.game.planes[n].present = !((c >> n) & 1);
    }
    clockTicks = 600 + 8 * c;
    r.game.link = &r.link;
    r.link.setEngineServices(&r.game);
    r.link.setJoinerParticularsName(makePlayerString("Fuzzy"), host ? 0 : kHostAddress, team, 0);
    r.link.startWithoutSocket(host ? BSDNetworkSockets::kHost : BSDNetworkSockets::kJoiner, team);
    r.link.setCurrentPort(kHostPort);
    r.link.setVersionNumber(kVersion, kAppId, kTotalIncludedMissions);
    std::array<uint8_t, kSendSlotBytes> bytes;
    const SendSlot slot(bytes);
    if (host) {
        GameRules g;
        g.dogfightOnly = (h >> 4) & 1;
        g.killsToWin = 5;
        r.link.setHostTeam(team);
        r.link.setResetTime(g, 0, 0);
        // Joiners already admitted the way the host player admits them.
        for (int j = 1; j <= ((h >> 1) & 3) * 2; ++j) {
            JoinRequest q{static_cast<uint8_t>((j + k) % 4 + 1), "", 0, kVersion, kAppId, 64};
            const size_t n = buildJoinRequest(q, makePlayerString("Joiner" + std::to_string(j)), slot);
            r.deliver({bytes.data(), n}, {0x0A000000u + static_cast<uint32_t>(j + 1), static_cast<uint16_t>(40000 + j)});
            r.accept();
        }
    } else if (h & 2) {  // accepted, and with the names when the script says
        Accept a;
        a.joinerNumber = static_cast<uint8_t>(k % 7 + 1);
        a.rules.hostTeam = 1;
        a.rules.dogfightOnly = (h >> 4) & 1;
        r.deliver({bytes.data(), buildAccept(a, slot)}, {kHostAddress, kHostPort});
        if (h & 4) {
            PlayerNames n;
            for (int i = 0; i < 8; ++i) {
                n.names[i] = i < 3 ? "Pilot" + std::to_string(i) : std::string();
                n.teams[i] = static_cast<uint8_t>(i % 4 + 1);
                n.aircraftTypes[i] = 77;
            }
            r.deliver({bytes.data(), buildPlayerNames(n, slot)}, {kHostAddress, kHostPort});
        }
    }
}

// What the player does between frames.
void playerAction(Run& r, Script& s) {
    const uint8_t b = s.byte();
    switch (b % 8) {
        case 0: r.accept(); break;
        case 1: r.link.declineJoiner(); break;
        case 2: {
            r.link.setMessageChannel(b >> 5);
            r.link.handleTypingAMessage(1070);
            for (char ch : s.text(150)) r.link.handleTypingAMessage(static_cast<uint8_t>(ch));
            r.link.handleTypingAMessage(13);
            break;
        }
        case 3: r.link.handleTypingAMessage(static_cast<int32_t>(s.u16()) - 2); break;
        case 4:
            if (r.game.host) r.link.setResetTime(rules(s), 3.0, 90.0);  // the host starts another mission
            break;
        case 5:
            r.link.setImInGameOver(b >> 7);
            if (r.game.host) r.link.setHostSendGameOver((b >> 6) & 1, (b >> 5) & 1);
            break;
        case 6: r.link.closeNetworkRoutines(); break;
        default: r.link.handleTypingAMessage(71 + (b >> 5)); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setTickSource([] { return clockTicks; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Script s{data, size};
    auto r = std::make_unique<Run>();
    setUp(*r, s);
    std::array<uint8_t, kSendSlotBytes> bytes;
    for (int steps = 0; !s.empty() && steps < 400; ++steps) {
        const uint8_t op = s.byte();
        switch (op % 8) {
            case 0:
            case 1:
            case 2: {  // a packet built from a few fields
                const platform::UdpEndpoint from = sender(s);
                const size_t n = buildPacket(s, SendSlot(bytes));
                arrive(r->link, {bytes.data(), n}, from, op >> 3);
                break;
            }
            case 3: {  // the same, one byte of it garbled
                const platform::UdpEndpoint from = sender(s);
                const size_t n = buildPacket(s, SendSlot(bytes));
                const uint16_t at = s.u16() % std::max<size_t>(n, 1);
                bytes[at] = s.byte();
                arrive(r->link, {bytes.data(), n}, from, op >> 3);
                break;
            }
            case 4: {  // any datagram
                const platform::UdpEndpoint from = sender(s);
                const size_t n = std::min<size_t>(s.u16() % (kMaxPacketBytes + 20), s.left);
                arrive(r->link, {s.at, n}, from, op >> 3);
                s.at += n, s.left -= n;
                break;
            }
            case 5:
            case 6: {  // a frame: a few ticks, or long enough for a peer to be given up
                const uint8_t t = s.byte();
                r->frame(t >= 0xF0 ? (t - 0xEF) * 600 : t % 8 + 1);
                break;
            }
            default: playerAction(*r, s); break;
        }
    }
    // The game's close: every paint job the engine asked for is given back, and every joiner's
    // slot to the mission.
    r->link.closeNetworkRoutines();
    CHECK(r->game.textures.empty() && r->game.admitted.empty());
    return 0;
}
