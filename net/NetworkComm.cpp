// The per-frame engine of network play. Once per frame, on every machine: the kills line, what
// this machine owes (the host's new-game and names packets, a joiner's request or its aircraft),
// then the packets of each type in the order 3, 11, 2, 5, 10, 6, 12, 9, 4, 1: of each type the
// newest unread from each peer, and of join requests also those of others, up to 32 a frame.
//
// A joiner listens only to its host's address and port, the host to a joiner slot only from the
// address and port that slot was given. The ring keeps each peer's newest packet of each type
// apart from everybody else's, so a stranger's packets, however many, neither hide nor overwrite
// a player's. A bad packet is dropped alone; the frame goes on with the next.
#include <algorithm>

#include "net/EngineServices.h"
#include "net/MessageLineText.h"
#include "net/NetworkSockets.h"
#include "platform/TickCount.h"

namespace pellam::net {
namespace {

constexpr int32_t kStartWindow = 160;      // ticks after an acceptance or new game: the mission starts
constexpr int32_t kResetSettles = 180;     // ticks after a set-up before hits on an aircraft count
constexpr int32_t kHitsSettle = 300;       // ticks after a new game before a joiner's tallies count
constexpr int32_t kNewGameNotice = 600;    // ticks between "Host started a new game" notices
constexpr int32_t kQuitNotice = 600;       // ticks between quit and time-out notices
constexpr int32_t kSilence = 3600;         // ticks without a word before a peer is given up
constexpr int32_t kNoticeSound = 15, kNoticeVolume = 200;
// Newcomers' join requests answered a frame at most. Each answer is a datagram sent or a prompt
// put up, never a wait; 32 a frame keep up with a flood of over 1,900 requests a second, so that
// nobody's request is pushed out unread, and no flood draws more answers than that from here.
constexpr int kNewcomersPerFrame = 32;

bool validTeam(int32_t team) { return team >= 1 && team <= 4; }
bool validType(int32_t type) { return type == 55 || type == 64 || type == 77; }

}  // namespace

void BSDNetworkSockets::setEngineServices(EngineServices* game) {
    Game = game;
    Services = game;
    Data = game;
}

int BSDNetworkSockets::localSlot(int hostSlot) const {
    if (HostOrJoiner != kJoiner || JoinerNumber < 1 || JoinerNumber > 7) return hostSlot;
    if (hostSlot == 0) return JoinerNumber;
    if (hostSlot == JoinerNumber) return 0;
    return hostSlot;
}

bool BSDNetworkSockets::fromHost(const ReceivedPacket& packet) const {
    return HostOrJoiner == kJoiner && packet.from.address == JoinToAddress && packet.from.port == CurrentPort;
}

void BSDNetworkSockets::refreshPeers() {
    ReceiveRing::Peers peers{};
    if (HostOrJoiner == kJoiner) peers[0] = {JoinToAddress, CurrentPort};
    for (int j = 1; j <= 7 && HostOrJoiner == kHost; ++j)
        if (ToAddresses[j] != 0) peers[j] = {ToAddresses[j], JoinerPorts[j]};
    ring_.setPeers(peers);
}

bool BSDNetworkSockets::takeFromPeer(int peer, uint8_t type, ReceivedPacket* out) {
    if (!ring_.takeNewestFrom(peer, type, out)) return false;
    ++PacketsIn;
    return true;
}

template <class T>
std::optional<T> BSDNetworkSockets::newestFromHost(PacketType type, std::optional<T> (*parse)(std::span<const uint8_t>)) {
    ReceivedPacket p;
    if (!takeFromPeer(0, type, &p) || !fromHost(p)) return std::nullopt;
    return parse(p.packet());
}

void BSDNetworkSockets::scrollMessages() {
    for (int line = 4; line > 1; --line) MessageLines[line] = MessageLines[line - 1];
}

void BSDNetworkSockets::notice(std::string_view text, int line) {
    if (line == 1) scrollMessages();
    setMessageLine(line, text);
    if (Game) Game->playSound(kNoticeSound, kNoticeVolume);
}

void BSDNetworkSockets::NetworkComm(int32_t missionTime) {
    GlobalGameTime = missionTime;
    if (Game) refreshKillsLine();
    if (!OTNotInited || !Game) return;
    const int32_t now = platform::TickCount();
    refreshPeers();
    joinerCorrections();
    putTwoDigits(MessageLines[5], 120, DelayTime);
    if (MessageLines[5][120] == ' ') MessageLines[5][120] = '0';
    DoANew();
    sendPlayersNames();
    if (HostOrJoiner == kJoiner && NetworkMode == kJoining && !Accepted) {
        JoinerAircraftType = Game->getJoinerAircraftType();
        SendIwantToPlay(JoinToAddress);
    }
    if (Accepted && DidIGetPlayerNames && HaveDoneNewAfterAccepted) SendJoinerData();
    if (HostOrJoiner == kJoiner && Accepted) takeHostData(now);
    if (HostOrJoiner == kJoiner && Accepted && JoinerNumber != 0) takePlayerNames(now);
    if (HostOrJoiner == kHost) takeJoinerData(now);
    if (HostOrJoiner == kJoiner && NetworkMode == kJoining && !Accepted) takeAccept(now);
    startWindow(now);
    if (HostOrJoiner == kJoiner && Accepted) takeNewGame(now);
    takeDecline();
    takeNotHost();
    takeQuit(now);
    // A host alone says so, below the notices of who has gone.
    if (HostOrJoiner == kHost && NetworkMode == kHosting && numberOfJoiners() == 0 &&
        messageLine(4) != kWaitingForJoiners)
        setMessageLine(4, kWaitingForJoiners);
    if (OTNotInited) {
        takeJoinRequests(now);
        takeChatLine();
    }
}

// A player's own (a joiner whose accept was lost asks again), then those of others: newcomers,
// those asking least hard first, so that no flood of requests can shut one out.
void BSDNetworkSockets::takeJoinRequests(int32_t now) {
    ReceivedPacket request;
    for (int k = 0; k < ReceiveRing::kPeers; ++k)
        if (takeFromPeer(k, kJoinRequestPacket, &request)) admit(request, now);
    for (int n = 0; n < kNewcomersPerFrame && ring_.takeNewcomersRequest(&request); ++n) {
        ++PacketsIn;
        admit(request, now);
    }
}

// Team letters ("x" for an aircraft parked out of the world), kills per player and per team.
void BSDNetworkSockets::refreshKillsLine() {
    MessageLine& line = MessageLines[5];
    std::array<int32_t, 8> kills{}, slotTeams{};
    std::array<int32_t, 4> teams{};
    for (int n = 0; n < 8; ++n) {
        const EngineServices::Facts f = Game->aircraftFacts(n);
        kills[n] = Game->aircraftResults()[n][0];
        slotTeams[n] = f.team;
        const char letter = !f.present || f.height < -9000.0 ? 'x' : teamLetter(f.team, '-');
        putAt(line, 11 + 9 * n, {&letter, 1});
        if (validTeam(f.team)) teams[f.team - 1] += kills[n];
    }
    if (Rules.dogKillType) {  // a game won by team kills, a dogfight's or a mission's
        std::array<int32_t, 4>& results = Game->teamResults();
        if (networkAndJoiner()) {
            for (int t = 0; t < 4; ++t) teams[t] += Game->leftTeamKills()[t];  // those who have gone
            results = teams;
        }
        static constexpr std::string_view kMarks[4] = {"R:", "B:", "Y:", "b:"};
        for (int t = 0; t < 4; ++t) {
            putAt(line, 81 + 5 * t, kMarks[t]);
            putTwoDigits(line, 83 + 5 * t, results[t]);
        }
    }
    if (MessageLines[0][1] == '#' && PlayerKillNumberOffset >= 3) {
        // The own line's team is the one this player's aircraft flies for, which a mission's
        // sides decide whatever the join asked for.
        MessageLine& own = MessageLines[0];
        const size_t team = static_cast<size_t>(PlayerKillNumberOffset) - 2;
        own[team] = static_cast<uint8_t>(teamLetter(Game->aircraftFacts(0).team, static_cast<char>(own[team])));
        putTwoDigits(own, static_cast<size_t>(PlayerKillNumberOffset), kills[0]);
    }
    for (int n = 0; n < 8; ++n) putTwoDigits(line, 13 + 9 * n, kills[n]);
    refreshHeadings(kills, slotTeams);
}

std::string BSDNetworkSockets::playerHeading(int slot) const {
    if (slot < 0 || slot > 7) return {};
    const int32_t team = Game ? Game->aircraftFacts(slot).team : 0;
    const int32_t kills = Game ? Game->aircraftResults()[slot][0] : 0;
    return std::string{'#', static_cast<char>('1' + slot), ':'} + AllPlayerNames[slot] + ':' + teamLetter(team, '-') +
           '/' + twoDigits(kills) + ':';
}

// A message line that begins with a player's heading (his arrival, or what he said) shows his
// team and kills as they stand, the numbers of the kills line, not as they stood when it came.
// Only a heading whose number and name are a player's here is taken for one.
void BSDNetworkSockets::refreshHeadings(const std::array<int32_t, 8>& kills, const std::array<int32_t, 8>& teams) {
    for (int l = 1; l < 5; ++l) {
        MessageLine& line = MessageLines[l];
        const size_t length = line[0];
        if (length < 4 || line[1] != '#' || line[2] < '1' || line[2] > '8' || line[3] != ':') continue;
        const int slot = line[2] - '1';
        const std::string& name = AllPlayerNames[slot];
        const size_t n = name.size();  // the name at 4..n + 3; ':', team, '/', two digits, ':' after it
        if (name.empty() || length < n + 9 || !std::equal(name.begin(), name.end(), line.begin() + 4) ||
            line[n + 4] != ':' || line[n + 6] != '/' || line[n + 9] != ':')
            continue;
        line[n + 5] = static_cast<uint8_t>(teamLetter(teams[slot], static_cast<char>(line[n + 5])));
        putTwoDigits(line, n + 7, kills[slot]);
    }
}

// A joiner puts each player's aircraft on the team and type the host last announced. Its own
// aircraft (slot 0) starts from the type its join asked for, so it is never restarted here.
void BSDNetworkSockets::joinerCorrections() {
    if (HostOrJoiner != kJoiner || !Accepted || !DidIGetPlayerNames) return;
    for (int n = 1; n < 8; ++n) {
        const EngineServices::Facts f = Game->aircraftFacts(n);
        if (!f.present) continue;
        if (OriginalJoinerTeamRequest[n] != 0 && OriginalJoinerTeamRequest[n] != f.team)
            Game->setNetworkDogfightOnlyTeam(OriginalJoinerTeamRequest[n], n);
        if (OriginalJoinerAircraftType[n] != 0 && OriginalJoinerAircraftType[n] != f.aircraftType) {
            Game->setNetworkAircraftTypeForAircraft(n, OriginalJoinerAircraftType[n]);
            Game->startThisAircraft(n, true);
        }
    }
}

void BSDNetworkSockets::takeHostData(int32_t now) {
    if (OthersInGameOver == 1) Game->joinerGotEndOfGame();
    ReceivedPacket p;
    if (!takeFromPeer(0, kHostDataPacket, &p) || !fromHost(p)) return;
    const std::optional<HostData> d = parseHostData(p.packet());
    if (!d) return;
    if (HeardHostData && ticksBetween(LastGetData, p.arrival) <= 0) return;
    HeardHostData = true;
    LastGetData = p.arrival;
    Exchange.packetInTimes[0] = {p.arrival, d->stamp};
    DelayTime = networkDelay(now, d->echo);
    Exchange.myMessageNumberFromHost = d->ack;

    bool gameOver = false, hostWon = false;
    auto& results = Game->aircraftResults();
    for (int i = 0, r = 0; i < 8; ++i) {
        if (i == JoinerNumber) continue;
        const int local = localSlot(i);
        const EngineServices::Applied applied = Game->applyStateBlock(local, d->aircraft[r], DelayTime);
        gameOver = gameOver || applied.gameOver;
        hostWon = hostWon || applied.hostWon;
        results[local][0] = Told.kills[local] = d->aircraft[r][33];
        const EngineServices::Facts f = Game->aircraftFacts(local);
        Told.out[local] = f.present && f.height < -9000.0;
        ++r;
    }
    OthersInGameOver = gameOver ? 1 : 0;
    if (gameOver) HostWon = hostWon ? 1 : 0;
    HeardGameOver = HeardGameOver || gameOver;

    for (int i = 0; i < 8; ++i) {
        const int local = localSlot(i);
        if (!passed(now, Game->resetTick(local, now), kResetSettles)) continue;
        NetworkDamageNumbersForGauges[local] = d->hits[i];
        Game->reportNetworkHits(local, d->hits[i]);
    }
    if (NewInTime != 0 && passed(now, NewInTime, kStartWindow)) applyDeadObjects(d->deadObjects, 0, false);
    results[0][0] = Told.kills[0] = d->joinerKills;
    if (d->message.present) showReceivedMessage(d->message, d->message.fromSlot);
}

void BSDNetworkSockets::takePlayerNames(int32_t now) {
    const std::optional<PlayerNames> names = newestFromHost(kPlayerNamesPacket, parsePlayerNames);
    if (!names) return;
    DidIGetPlayerNames = true;
    const bool first = !NewAfterAccepted;
    NewAfterAccepted = true;
    const bool restartDue = first || !passed(now, NewInTime, kStartWindow - 1);
    bool changed = false;
    for (int t = 0; t < 4; ++t) Game->leftTeamKills()[t] = Told.leftTeamKills[t] = names->leftTeamKills[t];
    for (int i = 0; i < 8; ++i) {
        const int local = localSlot(i);
        const int32_t team = names->teams[i], type = names->aircraftTypes[i];
        OriginalJoinerTeamRequest[local] = validTeam(team) ? team : 0;
        OriginalJoinerAircraftType[local] = validType(type) ? type : 0;
        // Compared and kept as held, so a name that is no UTF-8 is not new in every list.
        const std::string name = heldPlayerName(names->names[i]);
        if (name == AllPlayerNames[local]) continue;
        changed = true;
        if (local == 0) {
            AllPlayerNames[0] = name;  // this player's own name as the host has it
        } else {
            // Another pilot in the slot: before the game's end the host has moved the last one's
            // kills to his team's leavers, as this packet's tally has them, and the slot starts
            // from none. The host's next data says the same; it may come later.
            if (!first && !HeardGameOver) Game->aircraftResults()[local][0] = Told.kills[local] = 0;
            // A player who has gone takes the paint job along; a newcomer brings theirs.
            loadCustomPaintJobName(name, local);
            if (!name.empty() && !first) notice(playerHeading(local) + " has joined the game", 1);  // the first list is who was there
        }
    }
    if (restartDue && (first || changed)) NewInTime = now;
}

// The host: silent joiners let go, then each joiner's newest packet applied and answered at once.
void BSDNetworkSockets::takeJoinerData(int32_t now) {
    for (int n = 1; n <= 7; ++n) {
        if (ToAddresses[n] != 0 && LastJoinerInTime[n] != 0 && passed(now, LastJoinerInTime[n], kSilence))
            freeJoinerSlot(n);
    }
    for (int j = 1; j <= 7; ++j)
        if (ToAddresses[j] != 0) takeJoinerDataFrom(j, now);
}

void BSDNetworkSockets::takeJoinerDataFrom(int j, int32_t now) {
    ReceivedPacket p;
    if (!takeFromPeer(j, kJoinerDataPacket, &p)) return;
    const std::optional<JoinerData> d = parseJoinerData(p.packet());
    // A joiner speaks for its own slot only, from the address and port it was given.
    if (!d || d->slot != j || ToAddresses[j] != p.from.address || JoinerPorts[j] != p.from.port) return;
    LastJoinerInTime[j] = now;
    DataExchange::Heard& heard = Exchange.packetInTimes[j];
    if (heard.arrival != 0 && ticksBetween(heard.arrival, p.arrival) <= 0) return;
    heard = {p.arrival, d->stamp};
    DelayTime = networkDelay(now, d->echo);
    Exchange.joinerMessageNumbers[j] = d->acks;

    // Game over while any joiner still in the game is in it: one that leaves is not waited for.
    JoinerInGameOver[j] = Game->applyStateBlock(j, d->aircraft, 0).gameOver;
    OthersInGameOver = std::any_of(JoinerInGameOver.begin(), JoinerInGameOver.end(), [](bool over) { return over; });
    if (NewInTime != 0 && passed(now, NewInTime, kStartWindow)) applyDeadObjects(d->deadObjects, j, true);
    std::array<double, 8>& tally = Exchange.hostHitTally[j];
    if (!passed(now, NewInTime, kHitsSettle)) {
        tally.fill(0.0);
    } else {
        for (int i = 0; i < 8; ++i) {
            const EngineServices::Facts f = Game->aircraftFacts(i);
            if (!f.present || !passed(now, Game->resetTick(i, now), kResetSettles) || d->hits[i] <= tally[i]) continue;
            tally[i] = d->hits[i];
            if (f.whoShotMe != -2 && i != j) Game->setWhoShotMe(i, j);
        }
    }
    if (d->message.present) showReceivedMessage(d->message, j);
    const uint16_t port = CurrentPort;
    CurrentPort = JoinerPorts[j];
    SendHostData(ToAddresses[j], j);
    CurrentPort = port;
}

void BSDNetworkSockets::applyDeadObjects(uint32_t word, int reporter, bool credit) {
    forEachDeadObject(word, Game->modelCount(), [&](int index) {
        Game->objectDeadFromNetwork(index, reporter, GlobalGameTime, credit);
    });
}

void BSDNetworkSockets::applyRules(const GameRules& rules) {
    Rules = rules;
    HostTeam = validTeam(rules.hostTeam) ? rules.hostTeam : 1;
    MissionNumber = rules.missionNumber;
    Game->setIDHelp(rules.idHelp & 1, rules.idHelp & 2);
    Game->setCameraRule(rules.cameraRule);
    Game->setDogfightOnly(rules.dogfightOnly != 0, rules.dogfightStart != 0, rules.dogfightRestart);
    if (rules.missionNumber >= TotalIncludedMissions) Game->setMissionHash(rules.missionHash, rules.missionSeconds);
    writeRuleMarks();
    // The team tallies are the new game's, written by the next refresh when it counts team kills;
    // a game of individual kills has none.
    putAt(MessageLines[5], 81, std::string(20, ' '));
}

void BSDNetworkSockets::takeAccept(int32_t now) {
    ReceivedPacket p;
    if (!takeFromPeer(0, kAcceptPacket, &p) || !fromHost(p)) return;
    const std::optional<Accept> a = parseAccept(p.packet());
    if (!a) return;
    // A quit that came before the accept is of a game this joiner was not in: the host's last
    // one, whose quits still go to whoever was at this address and port.
    ring_.forgetFrom(0, kQuitPacket, p.order);
    Accepted = true;
    AcceptedTime = now;
    JoinStatus = 0;
    DidIGetPlayerNames = NewAfterAccepted = HaveDoneNewAfterAccepted = false;
    HeardHostData = false;
    JoinerNumber = a->joinerNumber;
    HeardGameOver = false;
    Told = {};
    applyRules(a->rules);
    Game->setMissionNumber(MissionNumber);
    if (Rules.dogfightOnly) Game->setMyJoinerBombs(a->bombs, JoinerNumber);
    NewInTime = now;
    notice("You were accepted by the host", 1);
    for (int n = 1; n < 8; ++n) Game->setRemoteLocal(n, true);
}

// For 160 ticks after an acceptance, the first names or a new game, a joiner starts the host's
// mission twice in every frame, so a start that found the world half-made is done again.
void BSDNetworkSockets::startWindow(int32_t now) {
    if (NewInTime == 0 || passed(now, NewInTime, kStartWindow - 1) || HostOrJoiner != kJoiner) return;
    Game->setMissionNumber(MissionNumber);
    if (DidIGetPlayerNames) {
        Game->StartMission();
        Game->StartMission();
        HaveDoneNewAfterAccepted = true;
        restoreWhatHostTold();
    }
}

// The game started again is the one the host has told of: its kills stand, a slot whose record
// came hidden stays out of play, and the lines drawn this frame say so.
void BSDNetworkSockets::restoreWhatHostTold() {
    auto& results = Game->aircraftResults();
    for (int n = 0; n < 8; ++n) {
        results[n][0] = Told.kills[n];
        if (Told.out[n]) Game->parkAircraft(n);
    }
    Game->leftTeamKills() = Told.leftTeamKills;
    refreshKillsLine();
}

void BSDNetworkSockets::takeNewGame(int32_t now) {
    const std::optional<NewGame> g = newestFromHost(kNewGamePacket, parseNewGame);
    if (!g) return;
    if (passed(now, NewInTime, kNewGameNotice)) {
        NewInTime = now;
        notice("Host started a new game", 1);
    }
    // The host's game over was the last game's: heard again in every frame until new host data
    // came, it would end the new game as it starts.
    HeardGameOver = false;
    OthersInGameOver = 0;
    // Nothing is told yet of the new game's kills; which slots are out is as the host's last
    // records had it, while the game is the same (the packet is sent again and again).
    const std::array<bool, 8> out = Told.out;
    const bool sameGame = g->rules == Rules && MissionNumber == g->rules.missionNumber;
    Told = {};
    if (sameGame) Told.out = out;
    applyRules(g->rules);
    if (Rules.dogfightOnly) Game->setMyJoinerBombs(g->bombs, JoinerNumber);
    Game->setMissionNumber(MissionNumber);
    Game->StartMission();
    HaveDoneNewAfterAccepted = true;
    restoreWhatHostTold();  // drawn this frame: the new game's tallies and rules, not the last game's
}

// A refusal ends only a request still waiting, and only when it comes from the host asked.
void BSDNetworkSockets::takeDecline() {
    ReceivedPacket p;
    if (!takeFromPeer(0, kDeclinePacket, &p)) return;
    if (!fromHost(p) || NetworkMode != kJoining || Accepted) return;
    const std::optional<uint8_t> reason = parseDecline(p.packet());
    if (!reason) return;
    if (const std::string_view text = declineText(*reason); !text.empty()) setMessageLine(0, text);
    setMessageLine(4, {});
    JoinStatus = 0;
    NetworkMode = kNoGame;
    Game->playSound(kNoticeSound, kNoticeVolume);
}

void BSDNetworkSockets::takeNotHost() {
    ReceivedPacket p;
    if (!takeFromPeer(0, kNotHostPacket, &p)) return;
    if (!fromHost(p) || NetworkMode != kJoining || Accepted || !parseNotHost(p.packet())) return;
    setMessageLine(0, "You entered the IP address of a joiner, not a host.");
    Game->playSound(kNoticeSound, kNoticeVolume);
}

void BSDNetworkSockets::takeQuit(int32_t now) {
    if (HostOrJoiner == kJoiner && Accepted) {
        ReceivedPacket p;
        const bool quit = takeFromPeer(0, kQuitPacket, &p) && fromHost(p) && parseQuit(p.packet());
        if (quit) {
            endAfterSilenceOrQuit("Host has ended the game");
        } else if (OthersInGameOver == 0) {
            // Silence counts from the host's last data, or from the acceptance when none came.
            // Signed: the receiver may have stamped that data a tick after this frame read the clock.
            const int32_t since = HeardHostData ? LastGetData : AcceptedTime;
            if (ticksBetween(since, now) > kSilence) endAfterSilenceOrQuit("Host appears to have ended the game, no response");
        }
        return;
    }
    for (int j = 1; j <= 7 && HostOrJoiner == kHost; ++j)
        if (ToAddresses[j] != 0) takeJoinerQuit(j, now);
}

// A joiner's quit, for its own slot only: the slot freed and the others told.
void BSDNetworkSockets::takeJoinerQuit(int j, int32_t now) {
    ReceivedPacket p;
    if (!takeFromPeer(j, kQuitPacket, &p)) return;
    const std::optional<Quit> q = parseQuit(p.packet());
    if (!q || q->joinerNumber != j || ToAddresses[j] != p.from.address || JoinerPorts[j] != p.from.port) return;
    freeJoinerSlot(j);
    // The notice goes to the other joiners as a message of the slot that left.
    const std::string text = q->name + " has quit the game";
    DataExchange& x = Exchange;
    const uint8_t number = static_cast<uint8_t>((x.lastMessageInNumber[j] + 1) & 0x0F);
    x.lastMessageInNumber[j] = number;
    x.joinerMessageNumbers[j][j] = number;
    x.lastMessageFrom[j].text = text;
    x.lastMessageFrom[j].number = number;
    x.lastMessageFrom[j].quitter = q->name;
    if (!passed(now, QuitInTime, kQuitNotice) && QuitNoticeShown) return;
    QuitInTime = now;
    QuitNoticeShown = 1;
    notice(text, 1);
    MessageLines[1][254] = static_cast<uint8_t>(j);
    MessageLines[1][255] = number;
}

void BSDNetworkSockets::endAfterSilenceOrQuit(std::string_view text) {
    const int32_t now = platform::TickCount();
    InTextMode = 0;
    if (passed(now, QuitInTime, kQuitNotice) || !QuitNoticeShown) {
        QuitInTime = now;
        QuitNoticeShown = 1;
        notice(text, 1);
    }
    Accepted = false;
    NetworkMode = kNoGame;
    // The lines stay on screen after the close.
    std::array<MessageLine, 5> kept;
    std::copy_n(MessageLines.begin(), 5, kept.begin());
    closeNetworkRoutines();
    std::copy_n(kept.begin(), 5, MessageLines.begin());
}

void BSDNetworkSockets::freeJoinerSlot(int j) {
    const bool left = ToAddresses[j] != 0 && HostOrJoiner == kHost;
    ToAddresses[j] = 0;
    JoinerPorts[j] = 0;
    LastJoinerInTime[j] = 0;
    AllPlayerNames[j].clear();
    OriginalJoinerTeamRequest[j] = OriginalJoinerAircraftType[j] = 0;
    DataExchange& x = Exchange;
    x.packetInTimes[j] = {};
    x.joinerMessageNumbers[j].fill(0);
    x.hostHitTally[j].fill(0.0);
    for (std::array<int32_t, 2>& paint = JoinerPaintJobNumbers[j]; int32_t& texture : paint) {
        if (texture > 0 && Game) Game->deleteTexture(texture);
        texture = -1;
    }
    JoinerInGameOver[j] = false;
    if (Game) {
        Game->setRemoteLocal(j, false);
        Game->setCustomPaintJob(j, 0, 0);
        if (left) Game->joinerLeft(j);
    }
    refreshPeers();  // nothing the last player sent is taken for the next one's
    // The others hear that the slot is free, and what his team keeps of his kills, with the next
    // names packet (at most 60 ticks on).
    if (left) openPlayerNamesWindow();
    // A joiner that has gone is not waited for at game over.
    if (HostOrJoiner == kHost)
        OthersInGameOver = std::any_of(JoinerInGameOver.begin(), JoinerInGameOver.end(), [](bool over) { return over; });
}

// A stand-alone chat line (never sent by this game): slot, number, then a length-prefixed text.
// A joiner takes its host's for any slot, the host each joiner's for that joiner's slot.
void BSDNetworkSockets::takeChatLine() {
    ReceivedPacket p;
    if (HostOrJoiner == kJoiner && takeFromPeer(0, kChatLinePacket, &p) && fromHost(p)) applyChatLine(p);
    for (int j = 1; j <= 7 && HostOrJoiner == kHost; ++j) {
        if (ToAddresses[j] != 0 && takeFromPeer(j, kChatLinePacket, &p) && p.bytes[3] == j &&
            ToAddresses[j] == p.from.address && JoinerPorts[j] == p.from.port)
            applyChatLine(p);
    }
}

void BSDNetworkSockets::applyChatLine(const ReceivedPacket& p) {
    const uint8_t slot = p.bytes[3], number = p.bytes[4];
    if (slot >= 8 || number == Exchange.lastMessageInNumber[slot]) return;
    Exchange.lastMessageInNumber[slot] = number;
    scrollMessages();
    setMessageLine(1, {reinterpret_cast<const char*>(p.bytes.data() + 6), std::min<size_t>(p.bytes[5], p.length - 6)});
}

}  // namespace pellam::net
