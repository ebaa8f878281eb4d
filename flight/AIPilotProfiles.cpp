// The three skill profiles. Small chances are per decision tick, most near multiples of 1/65,536.
#include "flight/AIPilotProfiles.h"

namespace pellam {
namespace {

struct Entry {
    int n;
    double chance, throttle, minAltitude, minSpeed;
};

void fill(AIPilotProfile& p, double maxAOA, double bankSpeed, double shoot, double yAim,
          std::initializer_list<Entry> entries) {
    p = AIPilotProfile{};
    p.MaxAOA = maxAOA;
    p.HardTurnClimbDive = 300.0;
    p.MaxBankSpeed = bankSpeed;
    p.ShootDistance = shoot;
    p.XAim = 0.15;
    p.YAim = yAim;
    p.LeadPursuitDistance = 2500.0;
    for (const Entry& e : entries) {
        ManeuverDetails& m = p.EachManeuver[e.n];
        m.ManeuverProbability = e.chance;
        m.Throttle = e.throttle;
        m.minAltitude = e.minAltitude;
        m.minSpeed = e.minSpeed;
    }
}

}  // namespace

void definePilotProfiles(AIPilotTable& table) {
    table.fill(AIPilotProfile{});
    fill(table[0], 0.97, 1.0, 2000.0, 0.1,
         {{0, 0, 1.0, 0, 0},             {2, 0.3, 1.0, 0, 0},           {3, 0.4, 1.0, 0, 0},
          {4, 0, 1.0, 0, 0},             {7, 0.0015258, 1.0, 0, 110},   {8, 0.00015258, 1.0, 2300, 0},
          {9, 0.00015258, 1.0, 3700, 0}, {11, 0.0045774, 0.02, 1250, 110}, {12, 0.00007629, 0.02, 850, 0},
          {13, 0.000015258, 0.02, 1250, 0}, {14, 0.0061032, 0.02, 850, 0}, {16, 0, 1.0, 0, 0},
          {17, 0.0030516, 1.0, 2000, 0}});
    fill(table[1], 0.7, 0.9, 2500.0, 0.1,
         {{0, 0, 1.0, 0, 0},             {2, 0.1, 1.0, 0, 0},           {3, 0.6, 1.0, 0, 0},
          {4, 0, 1.0, 0, 0},             {7, 0.0030516, 1.0, 0, 110},   {8, 0.0001, 1.0, 2000, 0},
          {9, 0.00030516, 1.0, 3600, 0}, {11, 0.0045774, 0.02, 850, 95}, {12, 0.0001, 0.02, 1450, 0},
          {13, 0.000091548, 0.02, 2450, 0}, {14, 0.0114435, 0.02, 850, 0}, {16, 0.0007629, 1.0, 0, 0},
          {17, 0.0015258, 1.0, 3000, 0}});
    // This pilot's share for pulling over the top is a whole 500: whenever the draw reaches it.
    fill(table[2], 0.3, 0.7, 1500.0, 0.12,
         {{0, 0, 1.0, 0, 0},              {2, 0.7, 1.0, 0, 0},          {3, 0.1, 1.0, 0, 0},
          {4, 0, 1.0, 0, 0},              {7, 500.0, 1.0, 0, 110},      {8, 0, 1.0, 3500, 0},
          {9, 0.000015258, 1.0, 3800, 0}, {11, 0, 0.02, 850, 110},      {12, 0, 0.02, 1350, 0},
          {13, 0, 0.02, 2450, 0},         {14, 0.000015258, 0.02, 1250, 0}, {16, 0.0045774, 1.0, 0, 0},
          {17, 0.000015258, 1.0, 4000, 0}});
}

const AIPilotProfile* builtInPilotProfiles() {
    static const AIPilotTable table = [] {
        AIPilotTable t{};
        definePilotProfiles(t);
        return t;
    }();
    return table.data();
}

}  // namespace pellam
