#include "platform/UserDefaults.h"

#include <signal.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Utf8.h"

namespace pellam::platform {
namespace fs = std::filesystem;
namespace {

constexpr char kDataTag[] = "base64";
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Where the file's bytes are kept aside: a copy already there with the same bytes (so a damage
// met at every start is kept once), else the first free name of ".corrupt", ".corrupt-1", ...
struct AsidePlace {
    std::string path;
    bool alreadyKept = false;
};

AsidePlace asidePlace(const std::string& path) {
    std::error_code ec;
    std::string why;
    const auto bytes = readRegularFile(path, why);
    std::string aside = path + ".corrupt";
    for (int n = 1; fs::exists(aside, ec); ++n) {
        if (bytes && fs::file_size(aside, ec) == bytes->size() && !ec) {
            if (const auto kept = readRegularFile(aside, why, bytes->size()); kept && *kept == *bytes)
                return {aside, true};
        }
        aside = path + ".corrupt-" + std::to_string(n);
    }
    return {aside, false};
}

// A save killed between writing its temporary file and renaming it leaves "<file>.tmp-PID"
// behind. One whose process is gone (or whose PID is now ours, before any save of ours) is removed.
void removeStaleTemporaryFiles(const std::string& path) {
    const fs::path file(path);
    const std::string prefix = file.filename().string() + ".tmp-";
    std::error_code ec;
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string digits = name.substr(prefix.size());
        pid_t pid = 0;
        const auto [at, parsed] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
        if (parsed != std::errc() || at != digits.data() + digits.size() || pid <= 0) continue;
        std::error_code kind;
        if (!fs::is_regular_file(it->symlink_status(kind))) continue;  // only a file a save could have left
        if (pid == getpid() || (::kill(pid, 0) != 0 && errno == ESRCH)) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

std::string folderOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

bool wordIs(const std::string& text, std::initializer_list<const char*> words) {
    for (const char* w : words)
        if (strcasecmp(text.c_str(), w) == 0) return true;
    return false;
}

// A whole-text number; an empty optional when anything else is in the text.
template <typename Number>
std::optional<Number> numberIn(const std::string& text) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || at != end || text.empty()) return std::nullopt;
    return value;
}

}  // namespace

int jsonNesting(std::string_view text) {
    int depth = 0, deepest = 0;
    bool inString = false, escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) escaped = false;
            else if (c == '\\') escaped = true;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

std::string base64Encode(const std::vector<uint8_t>& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t n = uint32_t(bytes[i]) << 16 | (i + 1 < bytes.size() ? uint32_t(bytes[i + 1]) << 8 : 0) |
                           (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += kAlphabet[n >> 18 & 63];
        out += kAlphabet[n >> 12 & 63];
        out += i + 1 < bytes.size() ? kAlphabet[n >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[n & 63] : '=';
    }
    return out;
}

std::optional<std::vector<uint8_t>> base64Decode(const std::string& text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        int v[4];
        int pad = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = text[i + k];
            if (c == '=' && i + 4 == text.size() && k >= 2) {
                v[k] = 0;
                ++pad;
            } else if (pad > 0 || (v[k] = base64Value(c)) < 0) {
                return std::nullopt;
            }
        }
        const uint32_t n = uint32_t(v[0]) << 18 | uint32_t(v[1]) << 12 | uint32_t(v[2]) << 6 | uint32_t(v[3]);
        out.push_back(static_cast<uint8_t>(n >> 16));
        if (pad < 2) out.push_back(static_cast<uint8_t>(n >> 8));
        if (pad < 1) out.push_back(static_cast<uint8_t>(n));
    }
    return out;
}

UserDefaults::UserDefaults(std::string filePath) : path_(std::move(filePath)) { load(); }

UserDefaults::~UserDefaults() { synchronize(); }

UserDefaults& UserDefaults::standard() {
    static UserDefaults store(configFolder() + "/defaults.json");
    return store;
}

void UserDefaults::report(const std::string& text) {
    if (!reported_.insert(text).second) return;
    logMessage(text);
    reports_.push_back(text);
}

std::vector<std::string> UserDefaults::takeReports() {
    takeWriterFailures();
    return std::exchange(reports_, {});
}

void UserDefaults::load() {
    removeStaleTemporaryFiles(path_);
    std::error_code ec;
    if (!fs::exists(path_, ec)) return;
    std::string why;
    // A FIFO or device in the file's place is not waited on: it cannot be read, like a folder.
    const std::optional<std::vector<uint8_t>> bytes = readRegularFile(path_, why);
    const std::optional<std::string> text =
        bytes ? std::optional<std::string>(std::in_place, bytes->begin(), bytes->end()) : std::nullopt;
    if (!text) {
        // Not corrupt, only out of reach: it stays where it is, and this run never writes over it.
        unreadable_ = why;
        loadMessage_ = "The settings file " + path_ + " cannot be read (" + why +
                       "). It is left as it is and not saved over; the game uses fresh settings this time.";
        report(loadMessage_);
        return;
    }
    // Nesting is checked before parsing: a file of ours is never deep, and a deep one would make
    // every later save recurse once per level.
    if (jsonNesting(*text) <= kMaxNesting) {
        nlohmann::json parsed = nlohmann::json::parse(*text, nullptr, false);
        if (!parsed.is_discarded() && parsed.is_object()) {
            values_ = std::move(parsed);
            return;
        }
    }
    const AsidePlace place = asidePlace(path_);
    const std::string& aside = place.path;
    // The same bytes kept aside already (a damage met before): one copy is enough.
    if (place.alreadyKept) fs::remove(path_, ec);
    else fs::rename(path_, aside, ec);
    loadMessage_ = ec ? "The settings file " + path_ + " could not be understood and could not be moved aside (" +
                            ec.message() + "); it is left as it is and the game uses fresh settings."
                      : "The settings file " + path_ + " could not be understood. It is kept as " + aside +
                            ", with the settings and pilot records it held; the game starts with fresh ones.";
    report(loadMessage_);
    // A file we could not move must not be overwritten by the next save either, unless a copy of
    // its very bytes is kept already.
    if (ec && !place.alreadyKept) path_ = aside;
}

void UserDefaults::unusable(const std::string& key) const {
    if (const auto it = values_.find(key); it != values_.end()) unusableKeys_.try_emplace(key, *it);
}

void UserDefaults::keepAsideBeforeWriting(const std::string& key) { unusable(key); }

std::optional<bool> UserDefaults::boolForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    if (it->is_boolean()) return it->get<bool>();
    if (it->is_number_integer()) return it->get<int64_t>() != 0;
    if (it->is_number_float() && std::isfinite(it->get<double>())) return it->get<double>() != 0.0;
    if (it->is_string()) {
        const std::string& text = it->get_ref<const std::string&>();
        if (wordIs(text, {"YES", "true", "1"})) return true;
        if (wordIs(text, {"NO", "false", "0"})) return false;
    }
    unusable(key);
    return std::nullopt;
}

std::optional<int64_t> UserDefaults::integerForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    if (it->is_number_unsigned()) {
        if (it->get<uint64_t>() <= uint64_t(std::numeric_limits<int64_t>::max())) return it->get<int64_t>();
    } else if (it->is_number_integer()) {
        return it->get<int64_t>();
    } else if (it->is_boolean()) {
        return it->get<bool>() ? 1 : 0;
    } else if (it->is_number_float()) {
        const double v = it->get<double>();
        if (std::isfinite(v) && std::fabs(v) < 9.2e18) return static_cast<int64_t>(v);  // toward zero
    } else if (it->is_string()) {
        if (auto v = numberIn<int64_t>(it->get_ref<const std::string&>())) return v;
    }
    unusable(key);
    return std::nullopt;
}

std::optional<double> UserDefaults::doubleForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    std::optional<double> value;
    if (it->is_number()) value = it->get<double>();
    else if (it->is_boolean()) value = it->get<bool>() ? 1.0 : 0.0;
    else if (it->is_string()) value = numberIn<double>(it->get_ref<const std::string&>());
    if (value && std::isfinite(*value)) return value;
    unusable(key);
    return std::nullopt;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    if (it->is_string()) return it->get<std::string>();
    if (it->is_number_integer()) return it->dump();
    unusable(key);
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> UserDefaults::dataForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    if (it->is_object()) {
        const auto data = it->find(kDataTag);
        if (data != it->end() && data->is_string())
            if (auto bytes = base64Decode(data->get<std::string>())) return bytes;
    }
    unusable(key);
    return std::nullopt;
}

bool UserDefaults::hasKey(const std::string& key) const { return values_.contains(key); }

void UserDefaults::setBool(const std::string& key, bool value) {
    values_[key] = value;
    dirty_ = true;
}

void UserDefaults::setInteger(const std::string& key, int64_t value) {
    values_[key] = value;
    dirty_ = true;
}

void UserDefaults::setDouble(const std::string& key, double value) {
    if (!std::isfinite(value)) return;  // JSON has no NaN; a non-finite preference is never stored
    values_[key] = value;
    dirty_ = true;
}

void UserDefaults::setString(const std::string& key, const std::string& value) {
    values_[key] = repairedUtf8(value);
    dirty_ = true;
}

std::optional<std::vector<std::string>> UserDefaults::stringArrayForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end() || !it->is_array()) return std::nullopt;
    std::vector<std::string> list;
    for (const auto& item : *it) {
        if (!item.is_string()) return std::nullopt;
        list.push_back(item.get<std::string>());
    }
    return list;
}

void UserDefaults::setStringArray(const std::string& key, const std::vector<std::string>& value) {
    // Held as it will be written and read back, so a text compares the same after a restart.
    std::vector<std::string> repaired;
    repaired.reserve(value.size());
    for (const std::string& text : value) repaired.push_back(repairedUtf8(text));
    values_[key] = std::move(repaired);
    dirty_ = true;
}

void UserDefaults::setData(const std::string& key, const std::vector<uint8_t>& value) {
    values_[key] = nlohmann::json{{kDataTag, base64Encode(value)}};
    dirty_ = true;
}

void UserDefaults::removeKey(const std::string& key) {
    if (values_.erase(key) > 0) dirty_ = true;
}

// A copy of the file as it is on disk, made once per run before the first write that would change
// or drop a value a getter could not use: whatever the game writes over, the player's bytes
// survive. A value written back as it was needs no copy, so damage that is only read (and met
// again at every start) makes none; the same bytes kept aside before are not copied again.
bool UserDefaults::keepFileAside() {
    if (keptAside_) return true;
    std::string keys;
    for (const auto& [key, met] : unusableKeys_) {
        const auto it = values_.find(key);
        const bool writtenBackAsItWas =
            it != values_.end() && *it == met &&
            nlohmann::json::parse(it->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), nullptr,
                                  false) == met;
        if (!writtenBackAsItWas) keys += (keys.empty() ? "" : ", ") + key;
    }
    if (keys.empty()) return true;
    std::error_code ec;
    if (!fs::exists(path_, ec)) {
        keptAside_ = true;
        return true;
    }
    const AsidePlace place = asidePlace(path_);
    if (!place.alreadyKept) fs::copy_file(path_, place.path, ec);
    if (ec) {
        fs::remove(place.path, ec);
        report("Some stored settings could not be used (" + keys + ") and a copy of " + path_ +
               " could not be kept aside, so it is not written over.");
        return false;
    }
    keptAside_ = true;
    report("Some stored settings could not be used (" + keys + "); the settings file as it was is kept as " +
           place.path + ".");
    return true;
}

namespace {

std::string saveFailure(const std::string& folder, const std::string& why) {
    return "Your settings could not be saved in " + folder + " (" + why +
           "). The file there is unchanged; your changes are kept while the game runs.";
}

// Empty when `values` are on disk at `path`; else why not.
std::string writeStore(const std::string& path, const nlohmann::json& values) {
    // The text first: nothing touches the disk unless there is something whole to write.
    std::string text;
    try {
        // Strings are repaired as they are set; this only guards a save against anything missed.
        text = values.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    } catch (const std::exception& e) {
        return e.what();
    }
    std::error_code ec;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    return writeFileAtomically(path, text);
}

}  // namespace

void UserDefaults::takeWriterFailures() {
    for (const std::string& text : writer_.takeFailures()) report(text);
}

bool UserDefaults::mayWrite() {
    if (!unreadable_.empty()) {
        report("Your settings are not saved in " + folderOf(path_) + " this time: " + path_ +
               " could not be read at start (" + unreadable_ + "), so it is not written over.");
        return false;
    }
    return keepFileAside();
}

bool UserDefaults::synchronize() {
    writer_.flush();  // a copy handed over earlier must not land after this one
    takeWriterFailures();
    if (!dirty_ && !lastBackgroundSaveFailed_) return true;
    if (!mayWrite()) return false;
    if (const std::string why = writeStore(path_, values_); !why.empty()) {
        report(saveFailure(folderOf(path_), why));
        return false;
    }
    dirty_ = false;
    lastBackgroundSaveFailed_ = false;
    return true;
}

void UserDefaults::saveInBackground() {
    takeWriterFailures();
    if (!dirty_ && !lastBackgroundSaveFailed_) return;
    if (!mayWrite()) return;
    dirty_ = false;
    // The copy is the frame thread's whole cost: a few kilobytes of values, no text, no disk.
    writer_.queue(path_, [path = path_, values = values_, failed = &lastBackgroundSaveFailed_]() -> std::string {
        const std::string why = writeStore(path, values);
        failed->store(!why.empty());
        return why.empty() ? why : saveFailure(folderOf(path), why);
    });
}

}  // namespace pellam::platform
