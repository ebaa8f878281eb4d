#include "platform/UserDefaults.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
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
    const uintmax_t size = fs::file_size(path, ec);
    const bool sized = !ec;
    // Read only when a kept copy has the same size: the file may be huge.
    std::optional<std::vector<uint8_t>> bytes;
    std::string why;
    std::string aside = path + ".corrupt";
    for (int n = 1; fs::exists(aside, ec); ++n) {
        if (sized && fs::file_size(aside, ec) == size && !ec) {
            if (!bytes) bytes = readRegularFile(path, why, size);
            if (const auto kept = bytes ? readRegularFile(aside, why, size) : std::nullopt; kept && *kept == *bytes)
                return {aside, true};
        }
        aside = path + ".corrupt-" + std::to_string(n);
    }
    return {aside, false};
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

namespace {

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// The JSON string body `raw` (escapes as written) with ill-formed UTF-8 repaired as setString
// repairs it and a lone UTF-16 surrogate escape made U+FFFD (the parser refuses both); `repaired`
// tells whether either was met. A raw control character is escaped: the same text, now legal.
std::string repairedStringBody(std::string_view raw, bool& repaired) {
    const std::string text = repairedUtf8(raw);
    repaired = text != raw;
    std::string out;
    out.reserve(text.size());
    const auto escapedUnit = [&](size_t at) -> int {  // the \uXXXX at `at`, or -1
        if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') return -1;
        for (size_t k = at + 2; k < at + 6; ++k)
            if (!isHex(text[k])) return -1;
        return std::stoi(text.substr(at + 2, 4), nullptr, 16);
    };
    for (size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
            ++at;
        } else if (c != '\\' || at + 1 >= text.size()) {
            out += text[at++];
        } else if (const int unit = escapedUnit(at); unit >= 0xD800 && unit <= 0xDFFF) {
            const int next = escapedUnit(at + 6);
            if (unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
                out.append(text, at, 12);
                at += 12;
            } else {
                out += "\\ufffd";
                repaired = true;
                at += 6;
            }
        } else {
            out.append(text, at, 2);
            at += 2;
        }
    }
    return out;
}

// The store's text with every string's body repaired; `keys` gains each top-level key whose name
// or value held text that needed it.
std::string repairedStrings(std::string_view text, std::set<std::string>& keys) {
    std::string out;
    out.reserve(text.size());
    int depth = 0;
    bool nextIsKey = false;
    std::string key;  // the top-level key whose value is being read
    for (size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (c != '"') {
            if (c == '{' || c == '[') nextIsKey = ++depth == 1 && c == '{';
            else if ((c == '}' || c == ']') && depth > 0) --depth;
            else if (c == ',' && depth == 1) nextIsKey = true;
            out += c;
            ++at;
            continue;
        }
        size_t end = at + 1;
        while (end < text.size() && text[end] != '"') end += text[end] == '\\' ? 2 : 1;
        if (end >= text.size()) {  // unterminated: the parser refuses it
            out.append(text.substr(at));
            break;
        }
        bool repaired = false;
        const std::string body = repairedStringBody(text.substr(at + 1, end - at - 1), repaired);
        if (depth == 1 && nextIsKey) {
            key = body;
            nextIsKey = false;
        }
        if (repaired && depth >= 1) keys.insert(key);
        out += '"';
        out += body;
        out += '"';
        at = end + 1;
    }
    return out;
}

// The store's text parsed, each top-level key whose value nests deeper than `maxNesting` left
// out and added to `keys`. Nothing deeper is ever built, so no later step recurses once per level.
nlohmann::json shallowParse(const std::string& text, int maxNesting, std::set<std::string>& keys) {
    using Event = nlohmann::json::parse_event_t;
    std::string key;
    nlohmann::json parsed = nlohmann::json::parse(
        text,
        [&](int depth, Event event, nlohmann::json& value) {
            if (event == Event::key && depth == 1) key = value.get<std::string>();
            if ((event == Event::object_start || event == Event::array_start) && depth >= maxNesting) {
                keys.insert(key);
                return false;
            }
            return true;
        },
        false);
    if (parsed.is_object())
        for (const std::string& deep : keys) parsed.erase(deep);
    return parsed;
}

}  // namespace

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
    // Killed saves' temporary files lie beside the file the saves replace, a link's target.
    if (const std::optional<std::string> written = writtenPath(path_))
        removeStaleTemporaryFiles(folderOf(*written), {fs::path(*written).filename().string()});
    std::error_code ec;
    if (!fs::exists(path_, ec)) return;
    // Measured before it is read: a file of ours is a few kilobytes, and a huge one would slow
    // every start and every save.
    if (const uintmax_t size = fs::file_size(path_, ec); !ec && size > kLargestFile)
        return setFileAside("is " + bytesText(size) + ", more than the " + bytesText(kLargestFile) +
                            " a settings file holds");
    std::string why;
    // A FIFO or device in the file's place is not waited on: it cannot be read, like a folder.
    const std::optional<std::vector<uint8_t>> bytes = readRegularFile(path_, why, kLargestFile);
    if (!bytes) {
        // Not corrupt, only out of reach: it stays where it is, and this run never writes over it.
        unreadable_ = why;
        loadMessage_ = "The settings file " + path_ + " cannot be read (" + why +
                       "). It is left as it is and not saved over; the game uses fresh settings this time.";
        report(loadMessage_);
        return;
    }
    // One bad value costs only itself: text is repaired, a value nested deeper than a file of ours
    // ever is is dropped, and the rest (the pilots' careers) is kept.
    std::set<std::string> repaired, deep;
    const std::string_view raw(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    const std::string text = repairedStrings(raw, repaired);
    nlohmann::json parsed = shallowParse(text, kMaxNesting, deep);
    if (parsed.is_discarded() || !parsed.is_object()) return setFileAside("could not be understood");
    values_ = std::move(parsed);
    for (const std::string& key : repaired) changedAtLoad_[key] = "text that was not UTF-8, repaired";
    for (const std::string& key : deep) changedAtLoad_[key] = "nested too deep, left out";
    // The player's bytes are copied aside now, while they are as they were; the mended file is
    // written at the next save even if nothing else changes.
    if (!changedAtLoad_.empty()) dirty_ = keepFileAside();
}

void UserDefaults::setFileAside(const std::string& problem) {
    std::error_code ec;
    // Behind a symbolic link the file itself is moved, so the link leads to the next save.
    const std::string file = writtenPath(path_).value_or(path_);
    const AsidePlace place = asidePlace(file);
    const std::string& aside = place.path;
    // The same bytes kept aside already (a damage met before): one copy is enough.
    if (place.alreadyKept) fs::remove(file, ec);
    else fs::rename(file, aside, ec);
    loadMessage_ = ec ? "The settings file " + path_ + " " + problem + " and could not be moved aside (" +
                            ec.message() + "); it is left as it is and the game uses fresh settings."
                      : "The settings file " + path_ + " " + problem + ". It is kept as " + aside +
                            ", with the settings and pilot records it held; the game starts with fresh ones.";
    report(loadMessage_);
    // A file we could not move must not be overwritten by the next save either, unless a copy of
    // its very bytes is kept already.
    if (ec && !place.alreadyKept) path_ = aside;
}

void UserDefaults::notTakenAsStored(const std::string& key) const {
    if (const auto it = values_.find(key); it != values_.end()) notTakenAsStored_.try_emplace(key, *it);
}

void UserDefaults::keepAsideBeforeWriting(const std::string& key) { notTakenAsStored(key); }

// Each getter below answers a value of its own type as it stands; one of another type is read as
// what it means where it can be (1 as YES, "2" as 2, 5 as the text "5") and is absent where it
// cannot, and either way is marked, so that a save writing anything else over it names it and
// keeps the file as it was.

std::optional<bool> UserDefaults::boolForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    if (it->is_boolean()) return it->get<bool>();
    notTakenAsStored(key);
    if (it->is_number_integer()) return it->get<int64_t>() != 0;
    if (it->is_number_float() && std::isfinite(it->get<double>())) return it->get<double>() != 0.0;
    if (it->is_string()) {
        const std::string& text = it->get_ref<const std::string&>();
        if (wordIs(text, {"YES", "true", "1"})) return true;
        if (wordIs(text, {"NO", "false", "0"})) return false;
    }
    return std::nullopt;
}

std::optional<int64_t> UserDefaults::integerForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    if (it->is_number_unsigned()) {
        if (it->get<uint64_t>() <= uint64_t(std::numeric_limits<int64_t>::max())) return it->get<int64_t>();
    } else if (it->is_number_integer()) {
        return it->get<int64_t>();
    }
    notTakenAsStored(key);
    if (it->is_boolean()) return it->get<bool>() ? 1 : 0;
    if (it->is_number_float()) {
        const double v = it->get<double>();
        if (std::isfinite(v) && std::fabs(v) < 9.2e18) return static_cast<int64_t>(v);  // toward zero
    } else if (it->is_string()) {
        return numberIn<int64_t>(it->get_ref<const std::string&>());
    }
    return std::nullopt;
}

std::optional<double> UserDefaults::doubleForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    // Any JSON number is one: 1 and 1.0 are the same value, as stored and as compared.
    if (it->is_number() && std::isfinite(it->get<double>())) return it->get<double>();
    notTakenAsStored(key);
    std::optional<double> value;
    if (it->is_boolean()) value = it->get<bool>() ? 1.0 : 0.0;
    else if (it->is_string()) value = numberIn<double>(it->get_ref<const std::string&>());
    if (value && std::isfinite(*value)) return value;
    return std::nullopt;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    if (it->is_string()) return it->get<std::string>();
    notTakenAsStored(key);
    if (it->is_number_integer()) return it->dump();
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
    notTakenAsStored(key);
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
    if (it == values_.end()) return std::nullopt;
    if (it->is_array() && std::all_of(it->begin(), it->end(), [](const nlohmann::json& item) { return item.is_string(); }))
        return it->get<std::vector<std::string>>();
    notTakenAsStored(key);
    return std::nullopt;
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
// or drop a value a getter could not take as it stands: whatever the game writes over, the player's bytes
// survive. A value written back as it was needs no copy, so damage that is only read (and met
// again at every start) makes none; the same bytes kept aside before are not copied again. Every
// key written over is named once: those met after the copy was made are in it too, and are told
// at the save that writes over them.
bool UserDefaults::keepFileAside() {
    std::vector<std::string> replaced;
    for (const auto& [key, what] : changedAtLoad_) replaced.push_back(key + ": " + what);
    for (const auto& [key, met] : notTakenAsStored_) {
        const auto it = values_.find(key);
        const bool writtenBackAsItWas =
            it != values_.end() && *it == met &&
            nlohmann::json::parse(it->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), nullptr,
                                  false) == met;
        if (!writtenBackAsItWas && !changedAtLoad_.count(key)) replaced.push_back(key);
    }
    std::string keys;
    for (const std::string& key : replaced)
        if (!toldReplaced_.count(key)) keys += (keys.empty() ? "" : "; ") + key;
    if (keys.empty()) return true;
    const auto told = [&] { toldReplaced_.insert(replaced.begin(), replaced.end()); };
    if (keptAside_) {
        if (!keptAsidePath_.empty())
            report("More stored settings could not be used as they were (" + keys + "); the copy kept as " +
                   keptAsidePath_ + " holds them as they were.");
        told();
        return true;
    }
    std::error_code ec;
    if (!fs::exists(path_, ec)) {
        keptAside_ = true;
        told();
        return true;
    }
    const AsidePlace place = asidePlace(path_);
    if (!place.alreadyKept) fs::copy_file(path_, place.path, ec);
    if (ec) {
        fs::remove(place.path, ec);
        report("Some stored settings could not be used as they were (" + keys + ") and a copy of " + path_ +
               " could not be kept aside, so it is not written over.");
        return false;
    }
    keptAside_ = true;
    keptAsidePath_ = place.path;
    told();
    report("Some stored settings could not be used as they were (" + keys +
           "); the settings file as it was is kept as " + place.path + ".");
    return true;
}

namespace {

// Names the folder the save was refused in: behind a symbolic link, the folder of the file it
// leads to, which may be the one missing.
std::string saveFailure(const std::string& path, const std::string& why) {
    std::error_code ec;
    return "Your settings could not be saved in " + folderOf(writtenPath(path).value_or(path)) + " (" + why + "). " +
           (fs::exists(path, ec) ? "The file there is unchanged; your" : "Your") +
           " changes are kept while the game runs.";
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
        report(saveFailure(path_, why));
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
        return why.empty() ? why : saveFailure(path, why);
    });
}

}  // namespace pellam::platform
