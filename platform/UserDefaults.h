#pragma once
// The user-defaults store: named preferences, key bindings and pilot records, kept between runs
// in one JSON file under the XDG config folder. Byte blocks (tables of big-endian records) are
// stored as base64. Every getter answers "absent" (an empty optional) for a missing key or a value
// of another type, so a hand-edited or broken file never yields a wrong value.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace pellam::platform {

class UserDefaults {
public:
    // Opens the store at `filePath`. A file that cannot be parsed is moved aside (its name gains
    // ".corrupt", or ".corrupt-N" when that exists) and reported through loadMessage(); the store
    // then starts empty. It is never silently overwritten.
    explicit UserDefaults(std::string filePath);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // The program's store: configFolder()/defaults.json, opened on first use.
    static UserDefaults& standard();

    std::optional<bool> boolForKey(const std::string& key) const;
    std::optional<int64_t> integerForKey(const std::string& key) const;
    std::optional<double> doubleForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    std::optional<std::vector<uint8_t>> dataForKey(const std::string& key) const;
    // An array of strings; absent when any element is not a string.
    std::optional<std::vector<std::string>> stringArrayForKey(const std::string& key) const;
    bool hasKey(const std::string& key) const;

    void setBool(const std::string& key, bool value);
    void setInteger(const std::string& key, int64_t value);
    void setDouble(const std::string& key, double value);
    void setString(const std::string& key, const std::string& value);
    void setData(const std::string& key, const std::vector<uint8_t>& value);
    void setStringArray(const std::string& key, const std::vector<std::string>& value);
    void removeKey(const std::string& key);

    // Writes the store if anything changed: a temporary file beside it, flushed, then renamed over
    // it, so a crash leaves either the old file or the new one. False (and a logged reason) when
    // the write failed; the values stay in memory for the next try.
    bool synchronize();

    const std::string& filePath() const { return path_; }
    // Empty, or what went wrong reading the file at start.
    const std::string& loadMessage() const { return loadMessage_; }

private:
    void load();

    std::string path_;
    nlohmann::json values_ = nlohmann::json::object();
    std::string loadMessage_;
    bool dirty_ = false;
};

std::string base64Encode(const std::vector<uint8_t>& bytes);
// Empty optional when the text is not valid base64.
std::optional<std::vector<uint8_t>> base64Decode(const std::string& text);

}  // namespace pellam::platform
