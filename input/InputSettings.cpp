// The four stored input-settings groups: calibration and response curves, joystick buttons, key
// bindings and mouse buttons. Each routine takes 0 to reset and write, 1 to read, 2 to write.
#include <algorithm>
#include <cmath>
#include <optional>

#include "input/DoJoystick.h"
#include "input/KeyRecords.h"
#include "platform/ByteOrder.h"
#include "platform/hid/ToolkitKeys.h"

namespace pellam::input {

namespace {

uint32_t swap32(uint32_t v) { return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24); }

uint32_t readHost32(const uint8_t* p, bool little) {
    return little ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24
                  : platform::readBE32(p);
}

void writeHost32(uint8_t* p, uint32_t v, bool little) {
    if (little) {
        for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
    } else {
        platform::writeBE32(p, v);
    }
}

// A stored command number, whatever its width, that is a game command.
bool storesGameCommand(uint32_t c) {
    return c >= static_cast<uint32_t>(numberOf(kFirstCommand)) && c <= static_cast<uint32_t>(numberOf(kLastCommand));
}

// The game command a stored key record names, in either byte order; none when it names none
// (the record is then not taken).
std::optional<uint32_t> recordCommand(const uint8_t* rec, bool little) {
    const uint32_t command = readHost32(rec + kRecCommand, little);
    if (storesGameCommand(command)) return command;
    if (storesGameCommand(swap32(command))) return swap32(command);
    return std::nullopt;
}

// Whether a stored key block holds a record for row `r` that swapCommandsAndKeys takes.
bool holdsRow(const std::vector<uint8_t>& data, int r, bool little) {
    return data.size() >= static_cast<size_t>(r + 1) * kKeyRecordSize &&
           recordCommand(data.data() + r * kKeyRecordSize, little).has_value();
}

// A stored command byte that names no command reads as "no binding".
uint8_t storedCommand(uint8_t c) { return c > byteOf(CommandNumber::Unbound) ? byteOf(CommandNumber::Unbound) : c; }

}  // namespace

std::vector<uint8_t> swapCommandsAndKeys200(std::span<const KeyboardCommandList> rows, int rowsInUse, bool little) {
    std::vector<uint8_t> block(kKeyRecordBlock, 0);
    const int n = std::min<int>({rowsInUse, kKeyRecordCount, static_cast<int>(rows.size())});
    for (int r = 0; r < n; ++r) {
        uint8_t* rec = block.data() + r * kKeyRecordSize;
        platform::writeBE32(rec + kRecPrimary, rows[r].PrimaryKeyStroke);
        platform::writeBE32(rec + kRecSecondary, rows[r].SecondaryKeyStroke);
        platform::writeBE32(rec + kRecModifiers, rows[r].Modifiers);
        writeHost32(rec + kRecCommand, static_cast<uint32_t>(numberOf(rows[r].Command)), little);
        // The title slot stays 0: titles are restored from the command table on reading.
    }
    return block;
}

void swapCommandsAndKeys(const std::vector<uint8_t>& data, std::span<KeyboardCommandList> rows, bool little) {
    const size_t n = std::min(data.size() / kKeyRecordSize, rows.size());
    for (size_t r = 0; r < n; ++r) {
        const uint8_t* rec = data.data() + r * kKeyRecordSize;
        const std::optional<uint32_t> command = recordCommand(rec, little);
        if (!command) continue;
        rows[r].PrimaryKeyStroke = platform::readBE32(rec + kRecPrimary);
        rows[r].SecondaryKeyStroke = platform::readBE32(rec + kRecSecondary);
        rows[r].Modifiers = platform::readBE32(rec + kRecModifiers);
        rows[r].Command = commandFrom(static_cast<int32_t>(*command));
    }
}

void DoJoystick::CalibratePrefsreadwriteorreset(int32_t mode) {
    struct FloatKey {
        const char* key;
        double DoJoystick::*field;
        double standard;
        double low, high;  // a stored value outside these takes the standard
    };
    struct BoolKey {
        const char* key;
        bool DoJoystick::*field;
        bool standard;
    };
    // A calibration of element values of up to 32 bits gives scales between about 1e-10 and 6e9
    // and offsets within 9e9; beyond that a stick value raised to its curve leaves the doubles.
    // The curves stop where the joystick window's sliders stop (4 for the stick, 5 for the rudder);
    // those below 1 are raised below.
    constexpr double kScaleLow = 1e-10, kScaleHigh = 1e10, kOffset = 1e10, kAny = HUGE_VAL;
    static constexpr FloatKey kFloats[] = {
        {"AileronCalibrateFactor", &DoJoystick::AileronCalibrator, 1.54, kScaleLow, kScaleHigh},
        {"AileronAddFactor", &DoJoystick::AileronCenterAdder, 0, -kOffset, kOffset},
        {"ElevatorCalibrateFactor", &DoJoystick::ElevatorCalibrator, 1.54, kScaleLow, kScaleHigh},
        {"ElevatorAddFactor", &DoJoystick::ElevatorCenterAdder, 0, -kOffset, kOffset},
        {"RudderCalibrateFactor", &DoJoystick::RudderCalibrator, 1.7, kScaleLow, kScaleHigh},
        {"RudderAddFactor", &DoJoystick::RudderCenterAdder, 0, -kOffset, kOffset},
        {"ThrottleCalibrateFactor", &DoJoystick::ThrottleRangeCalibrator, 2.4, kScaleLow, kScaleHigh},
        {"ThrottleAddFactor", &DoJoystick::ThrottleStartAdder, 0.05, -kOffset, kOffset},
        {"StickCurveJoy", &DoJoystick::StickCurveJoy, 1.9, -kAny, 4},
        {"StickCurveMou", &DoJoystick::StickCurveMou, 1.6, -kAny, 4},
        {"StickCurveRud", &DoJoystick::StickCurveRud, 3.5, -kAny, 5},
        {"StickRudDead", &DoJoystick::StickRudDead, 0.1, -kAny, kAny},
    };
    static constexpr BoolKey kBools[] = {
        {"AileronDirection", &DoJoystick::AileronDirection, false},
        {"ElevatorDirection", &DoJoystick::ElevatorDirection, false},
        {"RudderDirection", &DoJoystick::RudderDirection, false},
        {"ThrottleDirection", &DoJoystick::ThrottleDirection, true},
        {"StickyHat", &DoJoystick::StickyHat, false},
    };
    auto write = [&] {
        store_.setBool("CalPrefsAvailable", true);
        // Stored in single precision.
        for (const FloatKey& f : kFloats) store_.setDouble(f.key, static_cast<float>(this->*f.field));
        for (const BoolKey& b : kBools) store_.setBool(b.key, this->*b.field);
        store_.synchronize();
    };

    if (mode == 0) {
        for (const FloatKey& f : kFloats) this->*f.field = f.standard;
        for (const BoolKey& b : kBools) this->*b.field = b.standard;
        write();
    } else if (mode == 1) {
        // A missing, infinite or not-a-number value takes its default: it would pass every limit
        // test below and reach the flight model. So does one outside its key's limits.
        for (const FloatKey& f : kFloats) {
            const std::optional<double> stored = store_.doubleForKey(f.key);
            const double v = stored ? static_cast<float>(*stored) : f.standard;
            this->*f.field = std::isfinite(v) && v >= f.low && v <= f.high ? v : f.standard;
        }
        for (const BoolKey& b : kBools) this->*b.field = store_.boolForKey(b.key).value_or(b.standard);
        if (StickCurveRud < 1.0) StickCurveRud = 3.5;
        if (StickRudDead <= 0 || StickRudDead >= 1) StickRudDead = 0.1;
    } else if (mode == 2) {
        write();
    }
    if (StickCurveJoy < 1.0) StickCurveJoy = 1.0;
    if (StickCurveMou < 1.0) StickCurveMou = 1.0;
    if (StickCurveRud < 1.0) StickCurveRud = 3.5;
}

void DoJoystick::JoystickButtonPrefsreadwriteorreset(int32_t mode) {
    constexpr int kStoredButtons = 64;
    auto write = [&] {
        store_.setBool("JoyButPrefsAvailable", true);
        store_.setData("JoystickButtons", std::vector<uint8_t>(JoystickButtonTranslation.begin(),
                                                               JoystickButtonTranslation.begin() + kStoredButtons));
        store_.setBool("DontUseJoystickRudder", DontUseJoystickRudder);
        store_.synchronize();
    };
    if (mode == 0) {
        setJoystickButtonDefaults();
        DontUseJoystickRudder = false;
        write();
    } else if (mode == 1) {
        // Buttons the stored table does not hold (all of them when it is missing or unreadable)
        // keep the standard commands.
        setJoystickButtonDefaults();
        if (auto data = store_.dataForKey("JoystickButtons")) {
            const size_t n = std::min(data->size(), JoystickButtonTranslation.size());
            for (size_t i = 0; i < n; ++i) JoystickButtonTranslation[i] = storedCommand((*data)[i]);
        }
        // Buttons 17 to 48 without a command brake.
        for (int g = JoystickDevices::kFirstHighButton; g <= JoystickDevices::kLastHighButton; ++g)
            if (JoystickButtonTranslation[g] == 0) JoystickButtonTranslation[g] = byteOf(CommandNumber::BrakeOnOffToggle);
        if (auto v = store_.boolForKey("DontUseJoystickRudder")) DontUseJoystickRudder = *v;
    } else if (mode == 2) {
        write();
    }
}

void DoJoystick::MousePrefsreadwriteorreset(int32_t mode) {
    auto write = [&] {
        store_.setBool("MouseButPrefsAvailable", true);
        store_.setData("MouseButtons", std::vector<uint8_t>(MouseButtonTranslation.begin(), MouseButtonTranslation.end()));
        store_.synchronize();
    };
    auto standard = [&] {
        MouseButtonTranslation.fill(0);
        MouseButtonTranslation[0] = byteOf(CommandNumber::FireGunsAndCannon);
        MouseButtonTranslation[1] = byteOf(CommandNumber::PauseFlyGameToggle);
    };
    if (mode == 0) {
        standard();
        write();
    } else if (mode == 1) {
        // Buttons the stored table does not hold keep the standard commands.
        standard();
        if (auto data = store_.dataForKey("MouseButtons")) {
            const size_t n = std::min(data->size(), MouseButtonTranslation.size());
            for (size_t i = 0; i < n; ++i) MouseButtonTranslation[i] = storedCommand((*data)[i]);
        }
    } else if (mode == 2) {
        write();
    }
}

void DoJoystick::KeyPressPrefsreadwriteorreset(int32_t mode) {
    using namespace platform::hid;
    auto write = [&] {
        store_.setBool("KeyboardPrefsAvailable", true);
        store_.setData("KeyboardButtons2",
                       swapCommandsAndKeys200(CommandsAndKeys, TotalKeyNeeds, platform::isIntelChip()));
        store_.synchronize();
    };
    if (mode == 0) {
        setDefaultActions();
        write();
    } else if (mode == 1) {
        if (auto records = store_.dataForKey("KeyboardButtons2")) {
            swapCommandsAndKeys(*records, CommandsAndKeys, platform::isIntelChip());
            // A block from before the Un-jam command existed holds no record for its row. A row
            // the block does hold keeps what it says: without a key when the player took it away.
            constexpr int kUnJamRow = 86;
            if (TotalKeyNeeds > kUnJamRow && CommandsAndKeys[kUnJamRow].PrimaryKeyStroke == 0 &&
                !holdsRow(*records, kUnJamRow, platform::isIntelChip())) {
                KeyboardCommandList& r = CommandsAndKeys[kUnJamRow];
                r.PrimaryKeyStroke = 'u';
                r.SecondaryKeyStroke = 0;
                r.Modifiers = kControlKeyMask;
                r.Command = CommandNumber::UnJamGunsAttempt;
                if (NeedsStrings[kUnJamRow].empty()) NeedsStrings[kUnJamRow] = commandTitle(r.Command);
            }
            copyCommandTitles();
        } else if (auto old = store_.dataForKey("KeyboardButtons")) {
            const size_t n = std::min(old->size(), KeyTranslation.size());
            for (size_t i = 0; i < n; ++i)
                KeyTranslation[i] = (*old)[i] > byteOf(CommandNumber::Unbound) ? 0 : (*old)[i];
            for (int r = 1; r < TotalKeyNeeds && r < kTableRows; ++r) {
                for (uint32_t k = 0; k < kKeyCodes; ++k) {
                    if (KeyTranslation[k] != r) continue;
                    KeyboardCommandList& row = CommandsAndKeys[r];
                    row.PrimaryKeyStroke = k & ~0x0F00u;
                    row.SecondaryKeyStroke = 0;
                    row.Modifiers = 0;
                    if (row.PrimaryKeyStroke > 200) {
                        // Function-key characters were stored less 63000.
                        row.PrimaryKeyStroke += 63000;
                        if (row.PrimaryKeyStroke >= kF1Char && row.PrimaryKeyStroke <= kF1Char + 14)
                            row.Modifiers = kFunctionKeyMask;
                    }
                    if (k & 0x100) row.Modifiers = kControlKeyMask;
                    if (k & 0x200) row.Modifiers |= kAlternateKeyMask;
                    if (k & 0x400) row.Modifiers |= kNumericPadKeyMask;
                    if (row.PrimaryKeyStroke >= kUpArrowChar && row.PrimaryKeyStroke <= kRightArrowChar)
                        row.Modifiers |= (OSVersion >= 0x1030 && OSVersion <= 0x103F) ? kFunctionKeyMask : kArrowKeyMask;
                }
            }
            write();
        } else {
            setDefaultActions();
            write();
        }
    } else if (mode == 2) {
        write();
    }
}

}  // namespace pellam::input
