// The mission description reader. Index: tokens and numbers · the reader's state · header and sky
// lines · aircraft · objects · path points · victory · the head and the checks at the end.
#include "tools/missiongen/MissionText.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <vector>

#include "missions/MissionBounds.h"
#include "missions/MissionTable.h"
#include "missions/RecordBuilding.h"

namespace pellam::missiongen {
namespace {

using missions::AircraftInit;
using missions::MissionData;

// 1 January 2018, 00:00 UTC, in seconds since 2001: a fixed creation time keeps every file the same
// on every build.
constexpr double kCreated = 536457600.0;
constexpr int32_t kTerrainSubType = 2;  // hand the object the terrain
constexpr int32_t kHeapedCloud = 1, kFlatCloud = 8;
constexpr int32_t kRoadsFlag = 0x400;

struct Fault {
    std::string why;
};

// ---- Tokens and numbers

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line.substr(0, line.find('#')));
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

double number(const std::string& word, double low, double high) {
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || !std::isfinite(v)) throw Fault{"'" + word + "' is not a number"};
    if (v < low || v > high) {
        std::ostringstream m;
        m << word << " is outside " << low << " to " << high;
        throw Fault{m.str()};
    }
    return v;
}

int32_t whole(const std::string& word, long low, long high) {
    const double v = number(word, double(low), double(high));
    if (v != std::floor(v)) throw Fault{"'" + word + "' is not a whole number"};
    return static_cast<int32_t>(v);
}

constexpr double kFar = 4.0e6;       // ft: beyond the world on every side
constexpr double kHigh = 40000.0;    // ft
constexpr double kOnTheGround = -1.0;  // a start height from -5 to 0 (not 0 itself) stands on the ground

double feet(const std::string& word) { return number(word, -kFar, kFar); }

// `key=value` options after the positional words.
struct Options {
    std::map<std::string, std::string> values;
    std::map<std::string, bool> used;

    static Options from(const std::vector<std::string>& words, size_t first) {
        Options o;
        for (size_t k = first; k < words.size(); ++k) {
            const size_t eq = words[k].find('=');
            const std::string key = words[k].substr(0, eq);
            if (o.values.count(key)) throw Fault{"'" + key + "' is given twice"};
            o.values[key] = eq == std::string::npos ? "" : words[k].substr(eq + 1);
        }
        return o;
    }
    const std::string* get(const std::string& key) {
        auto it = values.find(key);
        if (it == values.end()) return nullptr;
        used[key] = true;
        return &it->second;
    }
    bool flag(const std::string& key) { return get(key) != nullptr; }
    void done() const {
        for (const auto& [key, value] : values)
            if (!used.count(key)) throw Fault{"unknown option '" + key + "'"};
    }
};

void need(const std::vector<std::string>& w, size_t count, const char* form) {
    if (w.size() < count) throw Fault{std::string("too few values: ") + form};
}

int32_t objectCode(const std::string& word) {
    static const std::map<std::string, int32_t> kNames = {
        {"cloud", 5},          {"lorry", 14},          {"ambulance", 16},      {"hangar", 56},
        {"canvashangar", 57},  {"hut", 58},            {"hut2", 59},           {"windsock", 60},
        {"balloon", 61},       {"balloonA", 62},       {"germanlorry", 63},    {"flak", 65},
        {"unarmedballoon", 66}, {"unarmedballoonA", 67}, {"pylon", 68},        {"bridge", 69},
        {"stonebridge", 70},   {"house", 71},          {"house2", 72},         {"crater", 73},
        {"mg", 74},            {"tank", 75},           {"tank2", 76},          {"dh4", 78},
        {"dh4brit", 79}};
    if (auto it = kNames.find(word); it != kNames.end()) return it->second;
    const int32_t code = whole(word, 5, 79);
    static const std::vector<int32_t> kPlaced = {5, 14, 16, 56, 57, 58, 59, 60, 61, 62, 63, 65, 66, 67,
                                                 68, 69, 70, 71, 72, 73, 74, 75, 76, 78, 79};
    for (int32_t c : kPlaced)
        if (c == code) return code;
    throw Fault{"object code " + word + " is not a placed object"};
}

int32_t aircraftType(const std::string& word) {
    if (word == "camel") return 55;
    if (word == "dvii") return 64;
    if (word == "dr1") return 77;
    if (word == "random") return 1001;
    const int32_t t = whole(word, 55, 1001);
    if (t != 55 && t != 64 && t != 77 && t != 1001) throw Fault{"aircraft type " + word + " is not 55, 64, 77 or 1001"};
    return t;
}

int32_t aiRole(const std::string& word) {
    if (word == "player") return 0;
    if (word == "fighter") return 1;
    if (word == "wingman") return 2;
    if (word == "patrol") return 5;
    throw Fault{"role '" + word + "' is not player, fighter, wingman or patrol"};
}

int32_t startKind(const std::string& word) {
    if (word == "plain") return 0;
    if (word == "random") return 2;
    if (word == "nearenemy") return 3;
    if (word == "abreast") return 30;
    throw Fault{"start '" + word + "' is not plain, random, nearenemy or abreast"};
}

// ---- The reader's state

struct Reader {
    MissionDescription& out;
    MissionData& m;
    std::vector<missions::ObjectForMission> placed;  // the mission's own objects, rows 21 on
    bool aircraftSeen[8] = {};
    bool placeSeen[16] = {};
    bool pointSeen[missions::kFlyToPoints] = {};
    std::vector<std::pair<std::function<void()>, int>> laterLines;  // name look-ups and their lines
    int line = 0;
    bool dogfightCentre = false;

    explicit Reader(MissionDescription& o) : out(o), m(o.record) {}

    int row(const std::string& name) const {
        auto it = out.objects.find(name);
        if (it == out.objects.end()) throw Fault{"no object is named '" + name + "'"};
        return it->second;
    }
    void defer(std::function<void()> f) { laterLines.push_back({std::move(f), line}); }

    void text(std::string& into, const std::string& rest, const char* joint) {
        if (!into.empty()) into += joint;
        into += rest;
    }

    void place(const std::vector<std::string>& w) {
        need(w, 6, "place N X Y Z HEADING [fuel=F]");
        const int n = whole(w[1], 0, 15);
        Options o = Options::from(w, 6);
        double* p = m.MissionStartLocations[n];
        p[0] = feet(w[2]);
        p[1] = w[3] == "ground" ? kOnTheGround : number(w[3], -10.0, kHigh);
        p[2] = feet(w[4]);
        p[3] = number(w[5], -360.0, 720.0);
        p[4] = 1.0;
        if (auto* f = o.get("fuel")) p[4] = number(*f, 0.0, 1.0);
        o.done();
        placeSeen[n] = true;
    }

    // ---- Aircraft
    void aircraftOptions(AircraftInit& a, int n, bool restart, Options& o) {
        if (auto* v = o.get("team")) a.Team = whole(*v, 1, 4);
        if (auto* v = o.get("place")) a.LocationOffset = whole(*v, 0, 7);
        if (auto* v = o.get("mph")) a.MPH = number(*v, 0.0, 250.0);
        if (auto* v = o.get("throttle")) a.Throttle = number(*v, 0.0, 1.0);
        if (auto* v = o.get("role")) a.AIType = aiRole(*v);
        if (auto* v = o.get("skill")) a.AISkillLevel = whole(*v, 0, 3);
        if (auto* v = o.get("path")) a.FirstFlyPoint = whole(*v, -1, missions::kFlyToPoints - 1);
        if (auto* v = o.get("lead")) a.LeadAircraftForWingman = whole(*v, 0, 7);
        if (auto* v = o.get("patrol")) a.PatrolForSeconds = whole(*v, 0, 36000);
        if (auto* v = o.get("attack")) a.AttackEnemyDistance = number(*v, 0.0, 200000.0);
        if (auto* v = o.get("return")) a.ReturnToPatrolDistance = number(*v, 0.0, 200000.0);
        if (auto* v = o.get("start")) a.StartType = startKind(*v);
        if (auto* v = o.get("spread")) a.RandomDistance = number(*v, 0.0, 100000.0);
        if (auto* v = o.get("bombs")) a.NumberOfBombs = whole(*v, 0, 6);
        if (auto* v = o.get("gear")) a.Gear = number(*v, 0.0, 1.0);
        if (auto* v = o.get("comeback")) a.WillComeBackToLife = whole(*v, 0, 1);
        if (auto* v = o.get("type")) a.AircraftType = aircraftType(*v);
        if (o.flag("off")) a.OnOff = 0;
        if (auto* v = o.get("groundattack")) {
            const int32_t d = whole(*v, 0, 200000);
            m.AttackEnemyObjectDistance[2 * n + (restart ? 1 : 0)] = d;
            if (!restart) m.AttackEnemyObjectDistance[2 * n + 1] = d;
        }
        if (auto* v = o.get("restarts")) {
            if (restart) m.NumberOfAircraftRestarts[n] = whole(*v, 0, 1000);
            else throw Fault{"'restarts' belongs on the restart line"};
        }
        o.done();
    }

    void aircraft(const std::vector<std::string>& w) {
        need(w, 3, "aircraft N TYPE options");
        const int n = whole(w[1], 0, 7);
        if (aircraftSeen[n]) throw Fault{"aircraft " + w[1] + " is given twice"};
        AircraftInit& a = m.AircraftStarts[n];
        a = {};
        a.AircraftType = aircraftType(w[2]);
        a.LocationOffset = n;
        a.Team = 1;
        a.Throttle = 0.8;
        a.Gear = 1.0;
        a.WillComeBackToLife = 1;
        a.OnOff = 1;
        a.AIType = n == 0 ? 0 : 1;
        a.FirstFlyPoint = -1;
        a.PatrolForSeconds = 600;
        a.ReturnToPatrolDistance = 12000.0;
        a.AttackEnemyDistance = 9000.0;
        Options o = Options::from(w, 3);
        aircraftOptions(a, n, false, o);
        if (n == 0 && a.AIType != 0) throw Fault{"aircraft 0 is the player's: its role is player"};
        if (n != 0 && a.AIType == 0) throw Fault{"only aircraft 0 is the player's"};
        m.ResetAircraftStarts[n] = a;
        aircraftSeen[n] = true;
    }

    void restart(const std::vector<std::string>& w) {
        need(w, 2, "restart N options");
        const int n = whole(w[1], 0, 7);
        if (!aircraftSeen[n]) throw Fault{"restart " + w[1] + " comes before its aircraft line"};
        Options o = Options::from(w, 2);
        aircraftOptions(m.ResetAircraftStarts[n], n, true, o);
    }

    // ---- Objects
    void object(const std::vector<std::string>& w) {
        need(w, 6, "object NAME CODE X Y Z options");
        if (placed.size() + missions::kHeadObjects >= missions::kMaxObjects) throw Fault{"more than 239 objects"};
        missions::ObjectForMission r{};
        r.ObjectCode = objectCode(w[2]);
        r.Location[0] = feet(w[3]);
        r.Location[1] = w[4] == "ground" ? -1.0 : number(w[4], -1.0, kHigh);
        r.Location[2] = feet(w[5]);
        Options o = Options::from(w, 6);
        if (auto* v = o.get("heading")) r.Heading = number(*v, -360.0, 720.0);
        if (auto* v = o.get("team")) r.Team = whole(*v, 0, 4);
        if (auto* v = o.get("points")) r.Points = whole(*v, 0, 30000);
        if (auto* v = o.get("speed")) r.SpeedMPH = number(*v, 0.0, 200.0);
        if (auto* v = o.get("spread")) r.Seed |= whole(*v, 2, 0xFFFFFF);
        if (o.flag("group")) r.Seed |= 1;
        // Objects count their path points from 1: point N of the table is N + 1 to them.
        if (auto* v = o.get("path")) r.Seed |= static_cast<int32_t>(uint32_t(whole(*v, 0, missions::kFlyToPoints - 1) + 1) << 24);
        if (auto* v = o.get("seed")) r.Seed = whole(*v, 0, 0x7FFFFFFF);
        if (o.flag("heaped")) r.SubType |= kHeapedCloud;
        if (o.flag("flat")) r.SubType |= kFlatCloud;
        o.done();
        const std::string& name = w[1];
        if (name != "-") {
            if (out.objects.count(name)) throw Fault{"object name '" + name + "' is given twice"};
            out.objects[name] = static_cast<int>(placed.size()) + missions::kHeadObjects;
        }
        placed.push_back(r);
    }

    // ---- Path points
    void point(const std::vector<std::string>& w) {
        need(w, 5, "point N X Y Z options");
        const int n = whole(w[1], 0, missions::kFlyToPoints - 1);
        if (pointSeen[n]) throw Fault{"point " + w[1] + " is given twice"};
        aiFlyToPoint& p = m.FlyToPoints[n];
        p.PointXYZ = {feet(w[2]), number(w[3], -1.0, kHigh), feet(w[4])};
        p.ThrottlePosition = 0.9;
        p.TargetClimbDiveSpeed = 500.0;
        p.NextPoint = -1;
        Options o = Options::from(w, 5);
        if (auto* v = o.get("next")) p.NextPoint = whole(*v, -1, missions::kFlyToPoints - 1);
        if (auto* v = o.get("throttle")) p.ThrottlePosition = number(*v, 0.0, 250.0);
        if (auto* v = o.get("climb")) p.TargetClimbDiveSpeed = number(*v, 0.0, 5000.0);
        if (auto* v = o.get("flags")) p.Flags = whole(*v, 0, 0xFFFF);
        if (o.flag("roads")) p.Flags |= kRoadsFlag;
        int32_t pause = 0;
        if (auto* v = o.get("pause")) pause = whole(*v, 1, 0xFFFF);
        std::string targets;
        if (auto* v = o.get("targets")) targets = *v;
        o.done();
        pointSeen[n] = true;
        if (targets.empty()) {
            p.PSTargets = pause;
            return;
        }
        if (pause) throw Fault{"a point holds either targets or a pause"};
        defer([this, n, targets] {
            const size_t comma = targets.find(',');
            const int first = row(targets.substr(0, comma));
            const int second = comma == std::string::npos ? 0 : row(targets.substr(comma + 1));
            // The high word is the first target, the low word the second (a hold when alone).
            m.FlyToPoints[n].PSTargets = comma == std::string::npos ? double(first) * 65536.0
                                                                    : double(first) * 65536.0 + second;
        });
    }

    // ---- Victory
    void names(const std::vector<std::string>& w, size_t from, std::array<int32_t, 20>& list, int32_t& required) {
        need(w, from + 1, "win destroy|protect COUNT NAME...");
        required = whole(w[from - 1], 1, 20);
        if (w.size() - from > 20) throw Fault{"more than 20 objects"};
        if (size_t(required) > w.size() - from) throw Fault{"more required than named"};
        std::vector<std::string> named(w.begin() + from, w.end());
        defer([this, named, &list] {
            for (size_t k = 0; k < named.size(); ++k) list[k] = row(named[k]);
        });
    }

    void location(const std::vector<std::string>& w) {
        need(w, 5, "win location K near|east|west|north|south ...");
        const int k = whole(w[2], 1, 3);
        const std::string& kind = w[3];
        int32_t flags = 0, speedFlags = 1;
        double at[3] = {0, 0, 0}, near = 0, speed = 0;
        size_t options = 5;
        if (kind == "near") {
            need(w, 8, "win location K near X Y Z RADIUS");
            flags = 2;
            at[0] = feet(w[4]);
            at[1] = number(w[5], -1000.0, kHigh);
            at[2] = feet(w[6]);
            near = number(w[7], 1.0, 100000.0);
            options = 8;
        } else {
            static const std::map<std::string, std::pair<int32_t, int>> kSides = {
                {"north", {3, 2}}, {"south", {4, 2}}, {"west", {5, 0}}, {"east", {6, 0}}};
            auto side = kSides.find(kind);
            if (side == kSides.end()) throw Fault{"location kind '" + kind + "' is not near, east, west, north or south"};
            flags = side->second.first;
            at[side->second.second] = feet(w[4]);
        }
        Options o = Options::from(w, options);
        if (auto* s = o.get("faster")) {
            speedFlags = 2;
            speed = number(*s, 0.0, 250.0);
        }
        if (auto* s = o.get("slower")) {
            if (speedFlags == 2) throw Fault{"both faster and slower"};
            speedFlags = 3;
            speed = number(*s, 0.0, 250.0);
        }
        o.done();
        // The record is packed: its doubles are written through the record, never through pointers.
        missions::VictoryConditions& v = m.TheVictory;
        switch (k) {
        case 1:
            v.Location1Flags = flags, v.Speed1Flags = speedFlags, v.SpeedMPH1 = speed, v.Location1NearDistance = near;
            for (int q = 0; q < 3; ++q) v.Location1[q] = at[q];
            break;
        case 2:
            v.Location2Flags = flags, v.Speed2Flags = speedFlags, v.SpeedMPH2 = speed, v.Location2NearDistance = near;
            for (int q = 0; q < 3; ++q) v.Location2[q] = at[q];
            break;
        default:
            v.Location3Flags = flags, v.Speed3Flags = speedFlags, v.SpeedMPH3 = speed, v.Location3NearDistance = near;
            for (int q = 0; q < 3; ++q) v.Location3[q] = at[q];
            break;
        }
    }

    void win(const std::vector<std::string>& w) {
        need(w, 2, "win KIND ...");
        missions::VictoryConditions& v = m.TheVictory;
        const std::string& kind = w[1];
        auto one = [&](const char* form) {
            if (w.size() != 3) throw Fault{std::string("expected ") + form};
            return w[2];
        };
        if (kind == "kills") v.Kills = whole(one("win kills N"), 1, 100);
        else if (kind == "teamkills") v.TeamKills = whole(one("win teamkills N"), 1, 1000);
        else if (kind == "points") v.Points = whole(one("win points N"), 1, 1000000);
        else if (kind == "landings") v.TotalLandings = whole(one("win landings N"), 1, 100);
        else if (kind == "within") v.MustWinInXTicks = whole(one("win within SECONDS"), 2, 36000) * 60;
        else if (kind == "after") v.DontCheckForWinForXTicks = whole(one("win after SECONDS"), 1, 36000) * 60;
        else if (kind == "alive" && w.size() == 2) v.MustBeAlive = 1;
        else if (kind == "destroy") names(w, 3, v.ParticularDeadObjects, v.RequiredNumberOfDeadObjects);
        else if (kind == "protect") names(w, 3, v.ParticularAliveObjects, v.RequiredNumberOfAliveObjects);
        else if (kind == "location") location(w);
        else throw Fault{"win kind '" + kind + "' is unknown"};
    }

    // ---- Header, sky and the dogfight
    void keyword(const std::vector<std::string>& w) {
        const std::string& k = w[0];
        if (k == "points") {
            need(w, 2, "points N");
            m.PointsForCompletedMission = whole(w[1], 0, 100000);
        } else if (k == "hours") {
            need(w, 2, "hours H.HH|random");
            if (w[1] == "random") {
                m.TimeOfDay = 0;
            } else {
                const double h = number(w[1], 0.0, 23.99);
                const int32_t hours = static_cast<int32_t>(h);
                const int32_t hundredths = static_cast<int32_t>(std::lround((h - hours) * 100.0));
                m.TimeOfDay = hundredths << 16 | hours;
            }
        } else if (k == "sky") {
            Options o = Options::from(w, 1);
            int32_t haze = 4, ceiling = 10000;
            if (auto* v = o.get("haze")) haze = *v == "random" ? 1 : whole(*v, 2, 20);
            if (auto* v = o.get("ceiling")) ceiling = whole(*v, 500, 0x7FFFFF);
            o.done();
            m.SkyFlags = ceiling << 8 | haze;
        } else if (k == "wind") {
            need(w, 2, "wind SPEED from DIRECTION | wind random");
            if (w[1] == "random") {
                m.WindSpeed = -1.0;
                m.WindDirection = -1.0;
            } else {
                need(w, 4, "wind SPEED from DIRECTION");
                if (w[2] != "from") throw Fault{"expected 'from' after the wind's speed"};
                m.WindSpeed = number(w[1], 0.0, 60.0);
                m.WindDirection = number(w[3], 1.0, 360.0);
            }
        } else if (k == "layer") {
            need(w, 5, "layer N TEXTURE BOTTOM TOP");
            missions::CloudLayer& l = m.Layers[whole(w[1], 0, 2)];
            l.TextureNumber = whole(w[2], 0, 8);
            l.LayerBottom = number(w[3], 0.0, kHigh);
            l.LayerTop = number(w[4], l.LayerBottom, kHigh);
        } else if (k == "clouddepth") {
            need(w, 2, "clouddepth FEET");
            m.MoreDoubleItems[0] = number(w[1], 0.0, 5000.0);
        } else if (k == "trees") {
            need(w, 2, "trees FAMILY");
            m.GC1 = whole(w[1], 0, 8);
        } else if (k == "camera") {
            need(w, 4, "camera X Y Z");
            m.CameraLocation[0] = feet(w[1]);
            m.CameraLocation[1] = number(w[2], 0.0, 100000.0);
            m.CameraLocation[2] = feet(w[3]);
        } else if (k == "teamspacing") {
            need(w, 2, "teamspacing FEET");
            m.TeamStartDistance = number(w[1], 0.0, 10000.0);
        } else if (k == "created") {
            need(w, 2, "created SECONDS");
            m.SecondsSince2001 = number(w[1], 0.0, 4.0e9);
        } else if (k == "place") {
            place(w);
        } else if (k == "aircraft") {
            aircraft(w);
        } else if (k == "restart") {
            restart(w);
        } else if (k == "object") {
            object(w);
        } else if (k == "cloud") {
            need(w, 5, "cloud X Y Z SEED [flat]");
            std::vector<std::string> as = {"object", "-", "cloud", w[1], w[2], w[3], "seed=" + w[4],
                                           w.size() > 5 && w[5] == "flat" ? "flat" : "heaped"};
            if (w.size() > 6 || (w.size() == 6 && w[5] != "flat")) throw Fault{"a cloud takes only 'flat' after its seed"};
            object(as);
        } else if (k == "point") {
            point(w);
        } else if (k == "win") {
            win(w);
        } else if (k == "dogfight") {
            need(w, 4, "dogfight X Y Z spread=FEET skill=N");
            m.DogfightAirStartCenterSpot[0] = feet(w[1]);
            m.DogfightAirStartCenterSpot[1] = number(w[2], 100.0, kHigh);
            m.DogfightAirStartCenterSpot[2] = feet(w[3]);
            Options o = Options::from(w, 4);
            m.DogfightAirStartDistance = 6000.0;
            if (auto* v = o.get("spread")) m.DogfightAirStartDistance = number(*v, 0.0, 100000.0);
            int32_t skill = 1;
            if (auto* v = o.get("skill")) skill = whole(*v, 0, 3);
            o.done();
            m.DogfightOnlySkillLevel.fill(skill);
            dogfightCentre = true;
        } else if (k == "dogfightground") {
            need(w, 6, "dogfightground TEAM X Y Z HEADING");
            double* g = m.DogfightGroundStartLocations[whole(w[1], 1, 4) - 1];
            g[0] = feet(w[2]);
            g[1] = w[3] == "ground" ? kOnTheGround : number(w[3], -10.0, kHigh);
            g[2] = feet(w[4]);
            g[3] = number(w[5], -360.0, 720.0);
            g[4] = 1.0;
        } else {
            throw Fault{"unknown keyword '" + k + "'"};
        }
    }

    // ---- The head and the checks at the end
    void finish() {
        for (auto& [f, at] : laterLines) {
            line = at;
            f();
        }
        line = 0;
        if (out.texts.title.empty()) throw Fault{"the mission has no title"};
        if (out.texts.description.empty() || out.texts.victory.empty() || out.texts.lost.empty())
            throw Fault{"the mission needs a brief, a victory and a lost text"};
        if (!aircraftSeen[0]) throw Fault{"the mission has no aircraft 0 for the player"};
        for (int n = 0; n < 8; ++n) {
            if (!aircraftSeen[n]) {
                // An aircraft not named stays out of the mission, parked below the world.
                AircraftInit& a = m.AircraftStarts[n];
                a = {};
                a.AircraftType = 55;
                a.Team = 1;
                a.LocationOffset = n;
                a.AIType = 1;
                a.FirstFlyPoint = -1;
                m.ResetAircraftStarts[n] = a;
                m.DogfightOnlyOnOff[n] = 0;
                continue;
            }
            for (const AircraftInit* a : {&m.AircraftStarts[n], &m.ResetAircraftStarts[n]}) {
                const bool restart = a == &m.ResetAircraftStarts[n];
                const int place = a->LocationOffset + (restart ? 8 : 0);
                if (restart && !m.AircraftStarts[n].WillComeBackToLife) continue;
                if (a->OnOff && a->StartType != 30 && !placeSeen[place])
                    throw Fault{"aircraft " + std::to_string(n) + (restart ? " restarts" : " starts") + " at place " +
                                std::to_string(place) + ", which is not given"};
                if (a->FirstFlyPoint >= 0 && !pointSeen[a->FirstFlyPoint])
                    throw Fault{"aircraft " + std::to_string(n) + " flies from point " +
                                std::to_string(a->FirstFlyPoint) + ", which is not given"};
            }
            m.DogfightOnlyTeams[n] = m.AircraftStarts[n].Team;
            m.DogfightOnlyOnOff[n] = m.AircraftStarts[n].OnOff;
        }
        for (int n = 0; n < missions::kFlyToPoints; ++n)
            if (pointSeen[n] && m.FlyToPoints[n].NextPoint >= 0 && !pointSeen[m.FlyToPoints[n].NextPoint])
                throw Fault{"point " + std::to_string(n) + " goes on to point " +
                            std::to_string(m.FlyToPoints[n].NextPoint) + ", which is not given"};
        for (const auto& o : placed) {
            const int first = (o.Seed >> 24) & 0xFF;
            if (o.ObjectCode != 5 && first > 0 && !pointSeen[first - 1])
                throw Fault{"an object drives from point " + std::to_string(first) + ", which is not given"};
        }
        if (!dogfightCentre) throw Fault{"the mission has no dogfight line (the quick dogfight's meeting place)"};

        // The world's head, then the mission's own objects.
        auto head = [&](int32_t code, int32_t subType = 0) {
            missions::fillInObjectForMissionType(m, m.TotalObjects, code, 0, 0, 0, 0, 0, 0, 0);
            m.ObjectList[m.TotalObjects++].SubType = subType;
        };
        head(1);
        head(54);
        for (int n = 0; n < 8; ++n) {
            const int32_t type = m.AircraftStarts[n].AircraftType;
            head(type == 1001 ? 55 : type, kTerrainSubType);
        }
        head(4);
        for (int k = 0; k < 8; ++k) head(10);
        head(11, kTerrainSubType);
        head(13, kTerrainSubType);
        for (const auto& o : placed) m.ObjectList[m.TotalObjects++] = o;
    }
};

}  // namespace

std::string readMissionDescription(const std::string& text, const std::string& source, MissionDescription& out) {
    auto result = std::make_unique<MissionDescription>();
    Reader r(*result);
    missions::newMissionRecord(r.m, kCreated);
    r.m.WorldMenuOffsetNumber = 1;  // the Western Front: its map stands behind a mission without a picture
    missions::clearVictoryStructure(r.m.TheVictory);
    try {
        std::istringstream in(text);
        for (std::string raw; std::getline(in, raw);) {
            ++r.line;
            if (!raw.empty() && raw.back() == '\r') raw.pop_back();
            const std::vector<std::string> w = split(raw);
            if (w.empty()) continue;
            // Text lines keep everything after the keyword, '#' included.
            const size_t start = raw.find(w[0]) + w[0].size();
            std::string rest = raw.substr(std::min(start, raw.size()));
            rest.erase(0, rest.find_first_not_of(" \t"));
            if (rest.find_first_not_of(" \t") == std::string::npos) rest.clear();
            if (w[0] == "title") r.text(result->texts.title, rest, " ");
            else if (w[0] == "brief") r.text(result->texts.description, rest.empty() ? "\n" : rest, rest.empty() ? "\n" : " ");
            else if (w[0] == "victory") r.text(result->texts.victory, rest, " ");
            else if (w[0] == "lost") r.text(result->texts.lost, rest, " ");
            else r.keyword(w);
        }
        r.finish();
        r.line = 0;
        // Every number in the range the game's reader holds it to, so the mission flies as written.
        auto bounded = std::make_unique<MissionData>(r.m);
        if (const missions::BoundsReport b = missions::boundMissionRecord(*bounded); b.changed)
            throw Fault{"out of range: " + b.first};
    } catch (const Fault& f) {
        return source + (r.line ? ":" + std::to_string(r.line) : std::string()) + ": " + f.why;
    }
    // A paragraph break reads as one blank line however the brief was split.
    std::string& d = result->texts.description;
    for (size_t at; (at = d.find("\n ")) != std::string::npos;) d.erase(at + 1, 1);
    for (size_t at; (at = d.find(" \n")) != std::string::npos;) d.erase(at, 1);
    out = std::move(*result);
    return {};
}

std::string readMissionDescriptionFile(const std::string& path, MissionDescription& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return path + ": cannot be read";
    std::ostringstream text;
    text << in.rdbuf();
    return readMissionDescription(text.str(), path, out);
}

std::string descriptionFolder() { return PELLAM_MISSION_DESCRIPTIONS; }

std::string readBuiltInDescription(long slot, MissionDescription& out) {
    std::string name = missions::MissionTable::builtInFileName(slot);
    if (name.empty()) return "no built-in mission in slot " + std::to_string(slot);
    name.replace(name.rfind('.'), std::string::npos, ".mission");
    return readMissionDescriptionFile(descriptionFolder() + "/" + name, out);
}

}  // namespace pellam::missiongen
