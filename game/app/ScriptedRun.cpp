#include "game/app/ScriptedRun.h"

#include <SDL_opengl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <time.h>
#include <unistd.h>

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

int64_t cpuNanos(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// ms since this process was started: its start in clock ticks since boot, field 22 of its stat.
double msSinceLaunch() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');  // the name may hold spaces
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    for (int k = 3; k < 22 && fields >> field;) ++k;
    unsigned long long started = 0;
    if (!(fields >> started)) return 0;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return (double(now.tv_sec) + now.tv_nsec / 1e9 - double(started) / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

// MB: the most resident memory of this process so far.
double peakResidentMB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

constexpr int32_t kJoinTeam = 2;     // blue
constexpr int32_t kJoinAircraft = 64;  // the D.VII's code

}  // namespace

ScriptedRun::ScriptedRun()
    : virtualJoystick_(variable("PELLAM_VIRTUAL_JOYSTICK").has_value()),
      scriptPath_(variable("PELLAM_PLAYER_SCRIPT")),
      dumpPath_(variable("PELLAM_FRAME_DUMP")),
      firstDumpPath_(variable("PELLAM_FIRST_FRAME_DUMP")),
      loadingDumpPath_(variable("PELLAM_LOADING_DUMP")),
      timesPath_(variable("PELLAM_FRAME_TIMES")),
      host_(variable("PELLAM_NETWORK_HOST")),
      join_(variable("PELLAM_NETWORK_JOIN")),
      userMissions_(variable("PELLAM_USER_MISSIONS")),
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
    begun_ = true;
    lastCpu_ = cpuNanos(CLOCK_PROCESS_CPUTIME_ID);
    lastMainCpu_ = cpuNanos(CLOCK_THREAD_CPUTIME_ID);
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

bool ScriptedRun::playerStep(SDL_Window* window, uint32_t windowID, SDL_Window* second,
                             const VADArizodazar2& controller, const input::DoJoystick& input, const Overlay& drawn) {
    return !script_ || script_->step({window, windowID, second}, controller, input, scriptStick_, drawn);
}

bool ScriptedRun::quitDue() const { return quitTick_ >= 0 && platform::TickCount() >= quitTick_; }

void ScriptedRun::takeJoiners(GameNetwork& network) {
    if (acceptJoiners_ && network.getJoinerPending()) network.acceptJoinerPublic();
}

void ScriptedRun::dumpFrame(const platform::GLWindow& window, bool loading) {
    if (lastFrame_ && dumpPath_) writeFrame(window, *dumpPath_);
    if (!begun_) return;
    if (!loading && firstDumpPath_ && !firstDumped_) {
        firstDumped_ = true;
        writeFrame(window, *firstDumpPath_);
    }
    if (loading && loadingDumpPath_ && loadingDumped_ < kLoadingDumps)
        writeFrame(window, *loadingDumpPath_ + std::to_string(++loadingDumped_) + ".png");
}

void ScriptedRun::writeFrame(const platform::GLWindow& window, const std::string& path) {
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
    if (!platform::writePng(path, image)) platform::logMessage("Could not write the frame to " + path);
}

int64_t ScriptedRun::micros(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
}

void ScriptedRun::frameSubmitted() {
    if (timesPath_) submitted_ = micros(Clock::now());
}

void ScriptedRun::windowsDrawn() {
    if (timesPath_) windowsDrawn_ = micros(Clock::now());
}

void ScriptedRun::frameEnded(const VADArizodazar2& controller) {
    if (!timesPath_ || frameTimes_.size() >= frameTimes_.capacity()) return;
    const Clock::time_point now = Clock::now();
    const FrameClock& clock = controller.clock();
    const FramePacer& pacer = controller.pacer();
    // A frame the view did not draw has no stamps of its own: its phases are empty.
    const int64_t shown = clock.shownMicros;
    const int64_t submitted = std::max(submitted_, shown);
    const int64_t drawn = std::max(windowsDrawn_, submitted);
    auto ms = [](int64_t from, int64_t to) { return float(to - from) / 1000.0f; };
    const int64_t cpu = cpuNanos(CLOCK_PROCESS_CPUTIME_ID), mainCpu = cpuNanos(CLOCK_THREAD_CPUTIME_ID);
    frameTimes_.push_back({std::chrono::duration<float, std::milli>(now - lastFrameEnd_).count(),
                           ms(platform::tickStartMicros(int32_t(pacer.lastTickCount)), clock.waitedMicros),
                           ms(clock.waitedMicros, clock.steppedMicros), ms(clock.steppedMicros, shown),
                           ms(shown, submitted), ms(submitted, drawn), ms(drawn, micros(now)), int16_t(clock.theticks),
                           int16_t(pacer.TickMinimum), float(cpu - lastCpu_) / 1e6f, float(mainCpu - lastMainCpu_) / 1e6f});
    // The first frame is shown in the second, after its wait and the world's steps: what the
    // second draws comes after.
    if (frameTimes_.size() == 1) {
        shownPeak_ = peakResidentMB();
        shownCpu_ = double(cpu) / 1e6;
    } else if (frameTimes_.size() == 2) {
        shownAfter_ = msSinceLaunch() - ms(shown, micros(now));
    }
    lastFrameEnd_ = now;
    lastCpu_ = cpu;
    lastMainCpu_ = mainCpu;
}

void ScriptedRun::end(long framesRested) {
    if (!timesPath_) return;
    std::ofstream out(*timesPath_);
    out << "# ms late step show draw windows end ticks tickminimum cpu maincpu\n";
    for (const FrameTime& f : frameTimes_)
        out << f.ms << ' ' << f.late << ' ' << f.step << ' ' << f.show << ' ' << f.draw << ' ' << f.windows << ' '
            << f.end << ' ' << f.ticks << ' ' << f.tickMinimum << ' ' << f.cpu << ' ' << f.mainCpu << '\n';
    out << "# cpu " << double(std::clock() - runCpuStart_) / CLOCKS_PER_SEC << " wall "
        << std::chrono::duration<double>(Clock::now() - runStart_).count() << '\n';
    out << "# rested " << framesRested << '\n';
    out << "# began " << micros(runStart_) << " us on the steady clock\n";
    out << "# shown " << shownAfter_ << " ms after launch, peak " << shownPeak_ << " MB, cpu " << shownCpu_ << " ms\n";
    out << "# peak " << peakResidentMB() << " MB\n";
    if (!out) platform::logMessage("Cannot write the frame times to " + *timesPath_);
}

int ScriptedRun::exitStatus() const { return script_ && (script_->failed() || !script_->finished()) ? 1 : 0; }

}  // namespace pellam
