#include "game/app/ScriptedRun.h"

#include <SDL_opengl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "game/GameNetwork.h"
#include "game/VADArizodazar2.h"
#include "net/PublicGames.h"
#include "platform/GLWindow.h"
#include "platform/Log.h"
#include "platform/PngImage.h"
#include "platform/TickCount.h"

namespace pellam {
namespace {

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

constexpr int32_t kJoinTeam = 2;     // blue
constexpr int32_t kJoinAircraft = 64;  // the D.VII's code

}  // namespace

ScriptedRun::ScriptedRun()
    : virtualJoystick_(variable("PELLAM_VIRTUAL_JOYSTICK").has_value()),
      scriptPath_(variable("PELLAM_PLAYER_SCRIPT")),
      dumpPath_(variable("PELLAM_FRAME_DUMP")),
      timesPath_(variable("PELLAM_FRAME_TIMES")),
      host_(variable("PELLAM_NETWORK_HOST")),
      join_(variable("PELLAM_NETWORK_JOIN")),
      autoFly_(variable("PELLAM_AUTOFLY").has_value()) {
    if (const auto seconds = variable("PELLAM_AUTOQUIT_SECONDS")) quitAfter_ = std::atof(seconds->c_str());
}

void ScriptedRun::attachVirtualJoystick() {
    if (!virtualJoystick_) return;
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0)
        virtualStick_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 4, 12, 1);
    if (virtualStick_ < 0) platform::logMessage(std::string("No virtual joystick: ") + SDL_GetError());
}

bool ScriptedRun::startPlayerScript() {
    if (virtualStick_ >= 0)
        scriptStick_ = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(virtualStick_));
    if (!scriptPath_) return true;
    script_ = std::make_unique<PlayerScript>();
    std::string error;
    if (script_->load(*scriptPath_, error)) return true;
    platform::logMessage(error);
    return false;
}

void ScriptedRun::begin(VADArizodazar2& controller, GameNetwork& network) {
    if (autoFly_) {
        controller.fromPlayerSignInOkay();
        controller.skipMissionSelection();
        controller.fromFlyMissionButton();
    }
    if (host_) host(controller, network);
    if (join_) join(controller, network);
    if (quitAfter_) quitTick_ = platform::TickCount() + static_cast<int32_t>(*quitAfter_ * 60);
    if (timesPath_) frameTimes_.reserve(1 << 17);
    runStart_ = lastFrameEnd_ = Clock::now();
    runCpuStart_ = std::clock();  // loading left out
}

void ScriptedRun::host(VADArizodazar2& controller, GameNetwork& network) {
    acceptJoiners_ = true;
    // Port 0 takes any free port; the log names the one taken, for whoever is to join.
    const std::optional<uint16_t> port = *host_ == "0" ? std::optional<uint16_t>(0) : parsePort(*host_);
    if (!port)
        platform::logMessage("Cannot host: \"" + *host_ + "\" is not a port");
    else if (controller.hostNetworkGame(*port, controller.missionState().CurrentMissionNumber))
        platform::logMessage("Hosting on port " + std::to_string(network.localPort()));
    else
        platform::logMessage("Cannot host: " + network.startError());
}

void ScriptedRun::join(VADArizodazar2& controller, GameNetwork& network) {
    const std::string_view text(*join_);
    const size_t colon = text.rfind(':');
    const auto address = colon == std::string::npos ? std::nullopt : parseIPv4(text.substr(0, colon));
    const auto port = colon == std::string::npos ? std::nullopt : parsePort(text.substr(colon + 1));
    if (!address || !port)
        platform::logMessage("Cannot join " + *join_ + ": not an address A.B.C.D:PORT");
    else if (!controller.joinNetworkGame(*address, *port, kJoinTeam, kJoinAircraft))
        platform::logMessage("Cannot join " + *join_ + ": " + network.startError());
}

bool ScriptedRun::playerStep(SDL_Window* window, uint32_t windowID, const VADArizodazar2& controller,
                             const input::DoJoystick& input) {
    return !script_ || script_->step(window, windowID, controller, input, scriptStick_);
}

bool ScriptedRun::quitDue() const { return quitTick_ >= 0 && platform::TickCount() >= quitTick_; }

void ScriptedRun::takeJoiners(GameNetwork& network) {
    if (acceptJoiners_ && network.getJoinerPending()) network.acceptJoinerPublic();
}

void ScriptedRun::dumpFrame(const platform::GLWindow& window) const {
    if (!lastFrame_ || !dumpPath_) return;
    int width = 0, height = 0;
    window.drawableSize(width, height);
    platform::RGBAImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels.data());
    const size_t row = static_cast<size_t>(width) * 4;  // GL rows run bottom to top
    for (int y = 0; y < height / 2; ++y)
        std::swap_ranges(image.pixels.begin() + y * row, image.pixels.begin() + (y + 1) * row,
                         image.pixels.begin() + (height - 1 - y) * row);
    if (!platform::writePng(*dumpPath_, image)) platform::logMessage("Could not write the frame to " + *dumpPath_);
}

void ScriptedRun::frameEnded() {
    if (!timesPath_ || frameTimes_.size() >= frameTimes_.capacity()) return;
    const Clock::time_point now = Clock::now();
    frameTimes_.push_back(std::chrono::duration<float, std::milli>(now - lastFrameEnd_).count());
    lastFrameEnd_ = now;
}

void ScriptedRun::end(long framesRested) {
    if (!timesPath_) return;
    std::ofstream out(*timesPath_);
    for (float ms : frameTimes_) out << ms << '\n';
    out << "# cpu " << double(std::clock() - runCpuStart_) / CLOCKS_PER_SEC << " wall "
        << std::chrono::duration<double>(Clock::now() - runStart_).count() << '\n';
    out << "# rested " << framesRested << '\n';
    if (!out) platform::logMessage("Cannot write the frame times to " + *timesPath_);
}

int ScriptedRun::exitStatus() const { return script_ && (script_->failed() || !script_->finished()) ? 1 : 0; }

}  // namespace pellam
