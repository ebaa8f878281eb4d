// The stored input settings as a damaged or hand-edited store can hold them: every input key gets
// a value of any type from the fuzzer (blobs of any length, any double, strings, lists). The input
// object reads the four groups as the game does at start-up, then every key code with the
// toolkit's modifiers, every mouse and joystick button and the hat go through their tables, the
// axes are swept through the response curves, and the settings windows list their rows. Every
// command that comes out is a game command or "unbound", every flight-control value is finite (the
// rudder and throttle within their ranges, each curve monotonic), every text is UTF-8, and what is
// written back reads back as the same settings.
//
// Input: 4 header bytes (the row given a key or made keyless, the key, its modifiers, the axis
// ranges and whether the key window's Okay or Cancel closes it), then records: key index, kind,
// payload length (16 bits, little-endian), payload.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "fuzz/FuzzFile.h"
#include "input/PellamJoySub.h"
#include "platform/UserDefaults.h"
#include "platform/Utf8.h"

namespace {

using namespace pellam;
using namespace pellam::input;
using platform::UserDefaults;
namespace hid = platform::hid;

const char* const kKeys[] = {
    "CalPrefsAvailable", "JoyButPrefsAvailable", "MouseButPrefsAvailable", "KeyboardPrefsAvailable",
    "KeyboardButtons2", "KeyboardButtons", "JoystickButtons", "MouseButtons", "DontUseJoystickRudder",
    "AileronCalibrateFactor", "AileronAddFactor", "ElevatorCalibrateFactor", "ElevatorAddFactor",
    "RudderCalibrateFactor", "RudderAddFactor", "ThrottleCalibrateFactor", "ThrottleAddFactor", "StickCurveJoy",
    "StickCurveMou", "StickCurveRud", "StickRudDead", "AileronDirection", "ElevatorDirection", "RudderDirection",
    "ThrottleDirection", "StickyHat"};
constexpr size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

const double kSpecialDoubles[] = {NAN, INFINITY, -INFINITY, 0.0, -0.0, 1e300, -1e300, 3.4e38, -3.4e38, 1e-310,
                                  1e30, 1e10, -1.0, 0.5, 1.0, 4.0, 5.0, 0.999999, 1e-30, 2.4};

// The store the fuzzer's records describe.
void fill(UserDefaults& store, const uint8_t* p, size_t n) {
    while (n >= 4) {
        const char* key = kKeys[p[0] % kKeyCount];
        const int kind = p[1] % 7;
        size_t len = p[2] | size_t(p[3]) << 8;
        p += 4, n -= 4;
        if (len > n) len = n;
        const std::vector<uint8_t> payload(p, p + len);
        p += len, n -= len;
        switch (kind) {
            case 0: store.removeKey(key); break;
            case 1: store.setBool(key, len > 0 && (payload[0] & 1)); break;
            case 2: {
                uint64_t v = 0;
                if (len) std::memcpy(&v, payload.data(), std::min<size_t>(len, 8));
                store.setInteger(key, static_cast<int64_t>(v));
                break;
            }
            case 3: {
                double v = len ? kSpecialDoubles[payload[0] % std::size(kSpecialDoubles)] : 0.0;
                if (len >= 8) std::memcpy(&v, payload.data(), 8);
                store.setDouble(key, v);
                break;
            }
            case 4: store.setString(key, std::string(payload.begin(), payload.end())); break;
            case 5: store.setData(key, payload); break;
            case 6: {
                std::vector<std::string> list(1);
                for (uint8_t c : payload) {
                    if (c)
                        list.back().push_back(static_cast<char>(c));
                    else
                        list.emplace_back();
                }
                store.setStringArray(key, list);
                break;
            }
        }
    }
}

// One joystick: X, Y, rudder (Rz) and throttle (slider) on cookies 1..4, a hat on 5 and 48
// buttons from cookie 10, answering reads from `values` and queueing what press() sends.
class OneStick : public hid::HidServices {
public:
    explicit OneStick(bool signedAxes) {
        const int32_t lo = signedAxes ? -32768 : 0, hi = signedAxes ? 32767 : 1023;
        using namespace hid;
        info_.primaryUsage = kUsageJoystick;
        info_.primaryUsagePage = kGenericDesktopPage;
        for (auto [cookie, usage] : {std::pair{1, kUsageX}, {2, kUsageY}, {3, kUsageRz}, {4, kUsageSlider}})
            info_.elements.push_back({cookie, kGenericDesktopPage, usage, lo, hi}), values[cookie] = (lo + hi) / 2;
        info_.elements.push_back({5, kGenericDesktopPage, kUsageHatSwitch, 0, 7});
        for (int b = 0; b < 48; ++b) info_.elements.push_back({10 + b, kButtonPage, b + 1, 0, 1});
    }
    int deviceCount() override { return 1; }
    bool deviceProperties(int, hid::HidDeviceInfo& info) override { return info = info_, true; }
    bool openDevice(int) override { return open_ = true; }
    void closeDevice(int) override { open_ = false; }
    bool getElementValue(int, int32_t cookie, int32_t& value) override {
        auto it = values.find(cookie);
        if (!open_ || it == values.end()) return false;
        value = it->second;
        return true;
    }
    bool createQueue(int, int) override { return true; }
    void addElementToQueue(int, int32_t cookie) override { queued_.push_back(cookie); }
    void startQueue(int) override {}
    void stopQueue(int) override {}
    void disposeQueue(int) override {}
    bool getNextEvent(int, hid::HidQueueEvent& event) override {
        if (events_.empty()) return false;
        event = events_.front();
        events_.pop_front();
        return true;
    }
    void press(int32_t cookie, int32_t value) {
        for (int32_t c : queued_)
            if (c == cookie) events_.push_back({cookie, value});
    }
    const hid::HidElement& element(int cookie) const { return info_.elements[cookie - 1]; }

    std::map<int32_t, int32_t> values;

private:
    hid::HidDeviceInfo info_;
    bool open_ = false;
    std::vector<int32_t> queued_;
    std::deque<hid::HidQueueEvent> events_;
};

// Aborts, naming the line of the check that failed.
[[noreturn]] void failed(int line) {
    std::fprintf(stderr, "input_settings: check at line %d failed\n", line);
    std::abort();
}
#define check(ok) ((ok) ? void() : failed(__LINE__))

bool sentCommand(CommandNumber c) { return isGameCommand(c) || c == CommandNumber::Unbound; }

// Takes every entry out of the ring: each names a game command or "unbound".
void drain(DoJoystick& in) {
    while (const ActionItem1* a = in.getNextActionInBuffer()) check(sentCommand(a->theAction));
}

void frame(DoJoystick& in) {
    in.createSurfaceInput(1024, 768);
    drain(in);
    for (double v : {in.getFinalAilerons(), in.getFinalElevator(), in.getFinalRudder(), in.getFinalThrottle()})
        check(std::isfinite(v));
    check(in.getFinalRudder() >= -1 && in.getFinalRudder() <= 1);
    check(in.getFinalThrottle() >= 0 && in.getFinalThrottle() <= 1);
}

void press(DoJoystick& in, uint16_t c0, uint16_t c1, uint32_t flags, bool repeat = false) {
    hid::ToolkitKeyEvent e;
    e.characters[0] = c0;
    e.characters[1] = c1;
    e.modifierFlags = flags;
    e.isARepeat = repeat;
    in.keyDown(e);
    drain(in);
    in.keyUp(e);
    drain(in);
}

// Every key the toolkit reports (the ASCII range and the special-key codes), alone as a repeat and
// with one of the modifier combinations in turn, and each table row's own key, as stored and with
// a modifier combination.
void keys(DoJoystick& in) {
    using namespace hid;
    static const uint32_t kFlags[] = {0,
                                      kShiftKeyMask,
                                      kControlKeyMask,
                                      kAlternateKeyMask,
                                      kControlKeyMask | kAlternateKeyMask,
                                      kCommandKeyMask,
                                      kNumericPadKeyMask,
                                      kFunctionKeyMask,
                                      kArrowKeyMask,
                                      kAlphaShiftKeyMask | kShiftKeyMask | 0x1FF};
    std::vector<uint16_t> chars;
    for (uint16_t c = 0; c < 0x80; ++c) chars.push_back(c);
    for (uint16_t c = kUpArrowChar; c <= kPageDownChar + 2; ++c) chars.push_back(c);
    for (uint16_t c : {0xA0, 0xE9, 0x20AC, 0xD83D, 0xFFFF}) chars.push_back(c);
    for (size_t i = 0; i < chars.size(); ++i) {
        press(in, chars[i], 0, 0, true);
        press(in, chars[i], 0, kFlags[i % std::size(kFlags)]);
    }
    for (int r = 1; r < in.TotalKeyNeeds && r < DoJoystick::kTableRows; ++r) {
        const KeyboardCommandList& k = in.CommandsAndKeys[r];
        press(in, static_cast<uint16_t>(k.PrimaryKeyStroke), static_cast<uint16_t>(k.SecondaryKeyStroke), k.Modifiers);
        press(in, static_cast<uint16_t>(k.PrimaryKeyStroke), 0, kFlags[r % std::size(kFlags)]);
    }
    in.doCommandBySelector();
    drain(in);
}

// Each mouse button, each joystick button and each hat position, pressed and released.
void buttons(DoJoystick& in, OneStick& stick) {
    for (int b = -2; b < DoJoystick::kMouseButtons + 2; ++b) {
        in.mouseButton(b, true);
        in.mouseButton(b, false);
        drain(in);
        const CommandNumber c = in.getMouseCommand(b);
        check(sentCommand(c) || c == CommandNumber::None);
    }
    for (int g = -2; g < 130; ++g) {
        const CommandNumber c = in.getJoystickButtonCommand(g);
        check(sentCommand(c) || c == CommandNumber::None);
    }
    for (int sticky = 0; sticky < 2; ++sticky) {
        in.setStickyHat(sticky);
        for (int b = 0; b < 48; ++b) {
            stick.press(10 + b, 1);
            frame(in);
            stick.press(10 + b, 0);
            frame(in);
        }
        for (int v = -1; v <= 8; ++v) {
            stick.press(5, v);
            frame(in);
            stick.press(5, 8);  // back at rest
            frame(in);
        }
    }
}

// Sweeps `cookie` from its minimum to its maximum with the rest centred: `value` must move one way
// only (up when `rising`).
template <typename Read>
void sweep(DoJoystick& in, OneStick& stick, int cookie, bool rising, Read value) {
    const hid::HidElement& e = stick.element(cookie);
    constexpr int kSteps = 32;
    double last = 0;
    for (int i = 0; i <= kSteps; ++i) {
        stick.values[cookie] = static_cast<int32_t>(e.min + (int64_t(e.max) - e.min) * i / kSteps);
        frame(in);
        const double v = value();
        if (i > 0) check(rising ? v >= last - 1e-9 : v <= last + 1e-9);
        last = v;
    }
    stick.values[cookie] = static_cast<int32_t>((int64_t(e.min) + e.max) / 2);
    frame(in);
}

void axes(DoJoystick& in, OneStick& stick) {
    sweep(in, stick, 1, !in.AileronDirection, [&] { return in.getFinalAilerons(); });
    sweep(in, stick, 2, !in.ElevatorDirection, [&] { return in.getFinalElevator(); });
    sweep(in, stick, 3, !in.RudderDirection, [&] { return in.getFinalRudder(); });
    sweep(in, stick, 4, !in.ThrottleDirection, [&] { return in.getFinalThrottle(); });
    // The mouse across the window, side to side and top to bottom.
    double lastAilerons = 0, lastElevator = 0;
    for (int i = 0; i <= 16; ++i) {
        in.pointerMoved(1024.0f * i / 16, 768.0f * i / 16);
        frame(in);
        if (i > 0) check(in.getFinalAilerons() >= lastAilerons - 1e-9 && in.getFinalElevator() >= lastElevator - 1e-9);
        lastAilerons = in.getFinalAilerons();
        lastElevator = in.getFinalElevator();
    }
    in.pointerCentred();
}

// The four windows as the player opens them; `h` chooses the row given a new key and the key.
void windows(DoJoystick& in, const uint8_t* h) {
    in.fromDefineKeyboardMenu();
    for (int row = -1; row <= in.numberOfRowsInTableView(); ++row) {
        check(platform::validUtf8(in.createKeyComboStringForRow(row)));
        if (const std::string* title = in.getCommandForRow(row)) check(platform::validUtf8(*title));
    }
    in.fromKeyboardTable(h[0] % (in.numberOfRowsInTableView() + 1));
    if (h[3] & 0x20) {
        in.okayButtons(InputButton::NoKeyBut);  // the row loses its key
    } else {
        press(in, static_cast<uint16_t>(h[1] | h[2] << 8), 0, (h[3] & 7u) << 17);
        in.createSurfaceInput(1024, 768);
    }
    in.okayButtons(h[3] & 0x80 ? InputButton::DefOkayK : InputButton::DefCancelK);
    drain(in);

    in.fromDefineMouseMenu();
    for (CommandNumber c : {in.mouseWindow.popUp1, in.mouseWindow.popUp2})
        check(isGameCommand(c) || c == CommandNumber::None);
    in.okayButtons(InputButton::DefCancelM);

    in.fromDefineJoystickMenu();
    check(isGameCommand(in.joyWindow.popUpCommand) || in.joyWindow.popUpCommand == CommandNumber::None);
    for (int i = 0; i < 3; ++i) frame(in);
    check(platform::validUtf8(in.joyWindow.buttonName));
    in.okayButtons(InputButton::DefCancel);

    in.fromJoystickCalibrateMenu();
    for (int i = 0; i < 3; ++i) frame(in);
    in.calibratorShouldClose();
}

// What the four groups hold, as they are stored (the calibration in single precision).
struct Settings {
    std::vector<float> numbers;
    std::vector<bool> flags;
    std::vector<uint8_t> buttons, mouse;
    std::vector<uint32_t> keys;

    explicit Settings(const DoJoystick& in) {
        for (double v : {in.AileronCalibrator, in.AileronCenterAdder, in.ElevatorCalibrator, in.ElevatorCenterAdder,
                         in.RudderCalibrator, in.RudderCenterAdder, in.ThrottleRangeCalibrator, in.ThrottleStartAdder,
                         in.StickCurveJoy, in.StickCurveMou, in.StickCurveRud, in.StickRudDead})
            numbers.push_back(static_cast<float>(v));
        flags = {in.AileronDirection, in.ElevatorDirection, in.RudderDirection, in.ThrottleDirection, in.StickyHat,
                 in.DontUseJoystickRudder};
        buttons.assign(in.JoystickButtonTranslation.begin(), in.JoystickButtonTranslation.begin() + 64);
        mouse.assign(in.MouseButtonTranslation.begin(), in.MouseButtonTranslation.end());
        for (int r = 1; r < in.TotalKeyNeeds && r < DoJoystick::kTableRows; ++r) {
            const KeyboardCommandList& k = in.CommandsAndKeys[r];
            keys.insert(keys.end(), {k.PrimaryKeyStroke, k.SecondaryKeyStroke, k.Modifiers,
                                     static_cast<uint32_t>(numberOf(k.Command))});
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace fs = std::filesystem;
    if (size < 4) return 0;
    const uint8_t* header = data;
    fs::remove_all(pellam::fuzz::fuzzFolder());
    fs::create_directories(pellam::fuzz::fuzzFolder());
    const std::string path = pellam::fuzz::fuzzFolder() + "/defaults.json";

    std::optional<Settings> written;
    {
        UserDefaults store(path);
        fill(store, data + 4, size - 4);
        OneStick stick(header[3] & 0x40);
        PellamJoySub in(&stick, store);
        in.awakeFromNib();
        keys(in);
        buttons(in, stick);
        axes(in, stick);
        windows(in, header);

        written.emplace(in);
        in.CalibratePrefsreadwriteorreset(2);
        in.JoystickButtonPrefsreadwriteorreset(2);
        in.MousePrefsreadwriteorreset(2);
        in.KeyPressPrefsreadwriteorreset(2);
        check(store.synchronize());  // the folder is ours: a save cannot fail here
    }
    UserDefaults again(path);
    check(again.loadMessage().empty());
    PellamJoySub in(nullptr, again);
    in.awakeFromNib();
    const Settings read(in);
    check(read.numbers == written->numbers);
    check(read.flags == written->flags);
    check(read.buttons == written->buttons);
    check(read.mouse == written->mouse);
    check(read.keys == written->keys);
    return 0;
}
