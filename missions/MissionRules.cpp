#include "missions/MissionRules.h"

#include <algorithm>

#include "core/ZephModel.h"

namespace pellam::missions {

Draw sharedDraw() {
    return [] { return ZephModel::GetLongRandomFrom(-32768, 32767); };
}

int32_t selectAircraftTypeRandomly(const Draw& draw) {
    const int32_t v = draw() + 32768;
    if (v <= 21844) return 55;
    if (v <= 32767) return 64;
    if (v <= 54612) return 77;
    return 64;
}

constexpr int32_t kProfiles = 10;  // the AI pilot profiles a number may name

int32_t pilotNumberForSkill(int32_t skill, const Draw& draw) {
    if (skill == 3) return std::clamp((draw() + 32768) / 21845, 0, 2);
    return skill >= 0 && skill < kProfiles ? skill : 0;
}

int32_t startRecordType(int32_t type) {
    return type == 64 || type == 77 || type == 1001 ? type : 55;
}

int32_t wholeNumber(double value) {
    if (!(value == value)) return 0;  // not a number
    return static_cast<int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
}

bool isAircraftCode(int32_t code) { return code == 3 || code == 55 || code == 64 || code == 77 || code > 1000; }

}  // namespace pellam::missions
