// The flight overlay: status texts patched digit by digit into kept buffers (nothing is
// allocated per frame), then the veils: sun glare by day, black-out and red-out in the cockpit.
#include <algorithm>

#include "aircraft/FlyableAircraft.h"
#include "game/Scoring.h"
#include "game/VADArizodazar2.h"
#include "platform/TickCount.h"
#include "render/ViewMath.h"
#include "world/TexturedSkyDome.h"

namespace pellam {
namespace {

template <size_t N>
constexpr std::array<uint8_t, N + 1> pascal(const char (&text)[N + 1]) {
    std::array<uint8_t, N + 1> out{static_cast<uint8_t>(N)};
    for (size_t k = 0; k < N; ++k) out[k + 1] = static_cast<uint8_t>(text[k]);
    return out;
}
constexpr auto kFast = pascal<8>(" *Fast* ");
constexpr auto kPaused = pascal<8>(" Paused ");
constexpr auto kAutoHosting = pascal<14>(" Auto Hosting ");
constexpr auto kWaiting = pascal<20>(" Waiting for others ");
constexpr double kReplayLineDown = 0.03;
constexpr float kReplayLineSize = 2.0f;
constexpr double kBelowReplayLine = kReplayLineDown + render::kGlyphHeight * kReplayLineSize + 0.005;

void veil(Overlay& out, float red, float green, float blue, double alpha) {
    out.veil = true;
    out.red = red;
    out.green = green;
    out.blue = blue;
    out.alpha = static_cast<float>(alpha);
}

}  // namespace

int layKillsLine(const uint8_t* line, const render::TypeMetrics& type, std::array<KillsLineText, 2>& out) {
    if (!line) return 0;
    const int length = line[0];
    int count = 0;
    const auto lay = [&](int first, int last, int place) {  // characters first..last, from 1
        while (first <= last && line[first] == ' ') ++first;
        while (last >= first && line[last] == ' ') --last;
        if (first > last) return;
        KillsLineText& laid = out[size_t(count++)];
        const int n = last - first + 1;
        laid.text[0] = static_cast<uint8_t>(n);
        std::copy(line + first, line + last + 1, laid.text.begin() + 1);
        laid.at = render::messageLinePlace(place, type);
        laid.at.size = std::min(laid.at.size, (1.0 - 2 * render::kMessageMargin) / (n * render::kGlyphWidth));
    };
    lay(1, std::min(length, kKillsEntriesChars), render::kKillsLine);
    lay(kKillsEntriesChars + 1, length, render::kRulesLine);
    return count;
}

void VADArizodazar2::debugchance(Overlay& out) {
    out = Overlay{};
    // The kills line first: the status texts are laid over it where they meet.
    if (mission_.isDogfightOnly || isNetworkGame()) drawLastMessageLine(out);
    const bool paused = !clock_.gamePause;
    if (clock_.DoDoubleTime && (paused || clock_.GlobalMissionTime % 120 > 60)) out.add(kFast.data(), 0.92, 0.05, 1.0f);
    const bool replayShown = replay_.ReplayFlag && !ScreenShotPending && step_.isKey;
    if (clock_.DisplayFrameRate) {
        frameRateText_ = scoring::frameRateText(clock_.ms1);
        // Under the replay line while that is shown, which would cover it.
        out.add(frameRateText_.data(), 0.02, replayShown ? kBelowReplayLine : 0.05, 1.0f);
    }
    if (paused && !ScreenShotPending) {
        if (step_.isKey) out.add(kPaused.data(), 0.425, 0.1, 2.5f);
    } else if (lobby_.doTheAutoHost) {
        out.add(kAutoHosting.data(), 0.42, 0.025, 1.5f);
    }
    if (replay_.ReplayFlag && !ScreenShotPending) {
        if (replay_.ReplaySpeed < -5 || replay_.ReplaySpeed > 5) replay_.ReplaySpeed = 1;
        if (replayShown) {
            replayText_ =
                scoring::replayText(replay_.ReplaySpeed, replay_.SavedGlobalMissionTime, clock_.GlobalMissionTime);
            out.add(replayText_.data(), 0.01, kReplayLineDown, kReplayLineSize);
        }
    }
    if (mission_.HaveDoneGameOver) {
        const uint32_t now = static_cast<uint32_t>(platform::TickCount());
        const bool othersOver = network_->getOthersInGameOver() != 0;
        if (othersOver || now - lobby_.WaitingForOthersTime < 60) {
            out.add(kWaiting.data(), 0.27, 0.35, 3.1f);
            if (othersOver) lobby_.WaitingForOthersTime = now;  // up for a second after they leave it
        }
    }
    doBlackRedYellowFade(out);
}

// The kills line of every network game and of every dogfight, at the messages' text size, with
// the team kills and rules of the game flown: each new game, alone too, writes its own.
void VADArizodazar2::drawLastMessageLine(Overlay& out) {
    ControllerNetwork::MessageLinesPtr lines = network_->getMessageLines();
    if (!lines) return;
    const render::TypeMetrics type = render::typeMetricsFor(toMyZephGLView->getNetworkTypeSize());
    const int laid = layKillsLine(lines[5], type, killsLines_);
    for (int k = 0; k < laid; ++k) {
        const KillsLineText& line = killsLines_[size_t(k)];
        out.add(line.text.data(), line.at.across, line.at.down, float(line.at.size));
    }
}

void VADArizodazar2::doBlackRedYellowFade(Overlay& out) {
    FlyableAircraft* craft = aircraftAt(cameras_.CameraAircraft);
    if (!craft) return;
    const Aircraft& a = craft->ThisAircraft;
    auto* sky = dynamic_cast<TexturedSkyDome*>(modelAt(ModelArray::kSkyDome));
    if (a.BlackRedOutLevel == 100 && clock_.gamePause && !(sky && sky->getBelowCeiling() == 1) &&
        mission_.CloudLayerState != 4 && mission_.CloudLayerState != 5) {
        double m[16] = {};
        ZephModel::quaternionToMatrix(cameras_.ViewingQNion.QAttitude.data(), m);
        const double* s = toMyZephGLView->getSunUnitVector();
        const double d = s[0] * m[2] + s[1] * m[6] + s[2] * m[10];
        const missions::MissionData* mission = currentMission();
        int32_t hour = mission ? (mission->TimeOfDay & 0xFFFF) : 12;
        if (hour > 100) hour -= 100;
        if (d >= 0.94 && hour >= 6 && hour <= 18) veil(out, 1.0f, 1.0f, 0.8f, (d - 0.94) * 20.0);
        return;  // looking for the sun, no veil of the pilot's own
    }
    if (cameras_.CameraPosition != 0 || a.GuyBailedOut) return;
    const double level = a.BlackRedOutLevel;
    if (level >= 0)
        veil(out, 0.0f, 0.0f, 0.0f, 1.0 - level / 100.0);
    else
        veil(out, 0.5f, 0.0f, 0.0f, 1.0 + level / 100.0);
}

}  // namespace pellam
