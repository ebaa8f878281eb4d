#include "platform/UserDefaults.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

#include "platform/Log.h"
#include "platform/Paths.h"

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

std::string asidePath(const std::string& path) {
    std::error_code ec;
    std::string aside = path + ".corrupt";
    for (int n = 1; fs::exists(aside, ec); ++n) aside = path + ".corrupt-" + std::to_string(n);
    return aside;
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

void UserDefaults::load() {
    std::error_code ec;
    if (!fs::exists(path_, ec)) return;
    std::ifstream in(path_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    nlohmann::json parsed = nlohmann::json::parse(text.str(), nullptr, false);
    if (!parsed.is_discarded() && parsed.is_object()) {
        values_ = std::move(parsed);
        return;
    }
    const std::string aside = asidePath(path_);
    fs::rename(path_, aside, ec);
    loadMessage_ = ec ? "The preferences file " + path_ + " could not be read and could not be moved aside (" +
                            ec.message() + "); it is left as it is and defaults are used."
                      : "The preferences file " + path_ + " could not be read; it was kept as " + aside +
                            " and defaults are used.";
    logMessage(loadMessage_);
    // A file we could not move must not be overwritten by the next save either.
    if (ec) path_ = aside;
}

std::optional<bool> UserDefaults::boolForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end() || !it->is_boolean()) return std::nullopt;
    return it->get<bool>();
}

std::optional<int64_t> UserDefaults::integerForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end() || !it->is_number_integer()) return std::nullopt;
    return it->get<int64_t>();
}

std::optional<double> UserDefaults::doubleForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end() || !it->is_number()) return std::nullopt;
    const double value = it->get<double>();
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

std::optional<std::vector<uint8_t>> UserDefaults::dataForKey(const std::string& key) const {
    const auto it = values_.find(key);
    if (it == values_.end() || !it->is_object()) return std::nullopt;
    const auto data = it->find(kDataTag);
    if (data == it->end() || !data->is_string()) return std::nullopt;
    return base64Decode(data->get<std::string>());
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
    values_[key] = value;
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
    values_[key] = value;
    dirty_ = true;
}

void UserDefaults::setData(const std::string& key, const std::vector<uint8_t>& value) {
    values_[key] = nlohmann::json{{kDataTag, base64Encode(value)}};
    dirty_ = true;
}

void UserDefaults::removeKey(const std::string& key) {
    if (values_.erase(key) > 0) dirty_ = true;
}

bool UserDefaults::synchronize() {
    if (!dirty_) return true;
    std::error_code ec;
    const fs::path target(path_);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    const std::string temp = path_ + ".tmp-" + std::to_string(getpid());
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) {
        logMessage("Could not write the preferences to " + temp);
        return false;
    }
    // Invalid UTF-8 in a stored string is replaced rather than failing the whole save.
    const std::string text = values_.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0 &&
                         fsync(fileno(file)) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        fs::remove(temp, ec);
        logMessage("Could not write the preferences to " + temp);
        return false;
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        logMessage("Could not replace the preferences file " + path_);
        return false;
    }
    dirty_ = false;
    return true;
}

}  // namespace pellam::platform
