#include "tools/missiongen/PatrolMission.h"

#include <memory>

#include "tools/missiongen/MissionText.h"

namespace pellam::missiongen {

std::string buildPatrolMission(missions::MissionData& record, missions::MissionTexts& texts) {
    auto description = std::make_unique<MissionDescription>();
    const std::string why = readBuiltInDescription(0, *description);
    if (!why.empty()) return why;
    record = description->record;
    texts = description->texts;
    return {};
}

}  // namespace pellam::missiongen
