#pragma once
// The user-defaults store: named preferences, key bindings and pilot records, kept between runs
// in one JSON file under the XDG config folder. Byte blocks (tables of big-endian records) are
// stored as base64. A getter answers a stored value of another but convertible type as what it
// means (1 as YES, "2" as 2, 5 as the text "5"); a missing key, or a value that cannot be read as
// the type asked for, answers "absent" (an empty optional), so a hand-edited or broken file never
// yields a wrong value. Nothing the player stored is lost: a file that cannot be parsed (or is
// larger than kLargestFile) is moved aside, a file that cannot be read (a folder, FIFO or device in
// its place too) is left alone and never written over, and before a value of another type (read as
// what it means or not at all) is first written over by anything else, the whole file as it was is
// copied aside, once for each distinct content, and the key is named. One bad
// value costs only itself: text that is not UTF-8 is repaired as setString repairs it, and a key
// whose value nests too deep is left out; the file as it was is then copied aside at once. A
// symbolic link in the file's place stays one: saves replace the file it leads to. A temporary
// file a killed save left behind is removed when the store is opened again. Saves in flight go to a writer thread
// (saveInBackground); synchronize() writes on the caller's thread after those have landed.
#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/WriterThread.h"

namespace pellam::platform {

class UserDefaults {
public:
    // The deepest nesting a file of ours can hold: the file's object, a block or list under a
    // key, its items. A key whose value nests deeper is no setting of ours and is left out.
    static constexpr int kMaxNesting = 8;
    // A file of ours is a few kilobytes; parsing 100 MB took seconds at every start.
    static constexpr uintmax_t kLargestFile = 1024 * 1024;  // bytes

    // Opens the store at `filePath`. A file that cannot be parsed, or is larger than
    // kLargestFile, is moved aside (its name gains ".corrupt", or ".corrupt-N" when that exists);
    // the store then starts empty. A file that exists but cannot be read is left where it is and
    // is not saved over this run. Either is reported through loadMessage() and reports(), as are
    // the keys repaired or left out, each named.
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
    // An array of strings; absent when it is not one, or any element is not a string.
    std::optional<std::vector<std::string>> stringArrayForKey(const std::string& key) const;
    bool hasKey(const std::string& key) const;

    void setBool(const std::string& key, bool value);
    void setInteger(const std::string& key, int64_t value);
    void setDouble(const std::string& key, double value);
    // Text is held as strict UTF-8 (platform/Utf8.h): an ill-formed sequence is replaced by U+FFFD
    // here, so what is held is what is written and read back.
    void setString(const std::string& key, const std::string& value);
    void setData(const std::string& key, const std::vector<uint8_t>& value);
    void setStringArray(const std::string& key, const std::vector<std::string>& value);
    void removeKey(const std::string& key);
    // The caller will write over `key`'s value although the store could read it (a block of the
    // wrong length, say): the file as it is is then kept aside first, as for a value of the wrong type.
    void keepAsideBeforeWriting(const std::string& key);

    // Writes the store if anything changed (or a save in the background failed), once the saves
    // handed to the writer thread have landed: a temporary file beside it, fsync'd, then renamed
    // over it, so a crash leaves either the old file or the new one, and no temporary file stays on a
    // failure. False, with a report naming the folder and the reason, when the write failed or
    // the file may not be written over; the values stay in memory for the next try.
    bool synchronize();
    // As synchronize(), off the caller's thread: the values are copied now and written by the
    // store's writer thread, a later copy replacing one still waiting. A failure is kept for
    // takeReports(), and the values are written again at the next save of either kind.
    void saveInBackground();
    // Returns once every save handed to the writer thread has landed or failed.
    void flush() { writer_.flush(); }
    // The writer's counters and waits, for whoever must know that a save has landed.
    WriterThread& writer() { return writer_; }

    const std::string& filePath() const { return path_; }
    // Empty, or what went wrong reading the file at start.
    const std::string& loadMessage() const { return loadMessage_; }
    // What the player must be told (a file kept aside or left unread, a failed save), each text
    // once per run; the store forgets them as they are taken.
    std::vector<std::string> takeReports();

private:
    void load();
    void report(const std::string& text);
    // Marks a stored value that a getter could not take as it stands (of another type, read as
    // what it means or not at all): the file is copied aside before a write that changes or drops it.
    void notTakenAsStored(const std::string& key) const;
    bool keepFileAside();
    // Moves the whole file aside as unusable, `problem` saying why ("could not be understood").
    void setFileAside(const std::string& problem);
    // What the writer reported since the last call, through report().
    void takeWriterFailures();
    // Whether a save may write the file; reports why not.
    bool mayWrite();

    std::string path_;
    nlohmann::json values_ = nlohmann::json::object();
    std::string loadMessage_;
    std::string unreadable_;  // why the file could not be read; it is then never written over
    bool dirty_ = false;
    bool keptAside_ = false;  // this run's copy of the file as it was has been made
    std::string keptAsidePath_;  // where; empty when there was no file to copy
    std::set<std::string> toldReplaced_;  // keys the player has been told were written over
    mutable std::map<std::string, nlohmann::json> notTakenAsStored_;  // each such key, with its value as met
    std::map<std::string, std::string> changedAtLoad_;  // keys repaired or left out as read, with what was done
    std::vector<std::string> reports_;
    std::set<std::string> reported_;
    std::atomic<bool> lastBackgroundSaveFailed_{false};  // set by the writer thread
    WriterThread writer_;  // last: it finishes its saves before the rest is destroyed
};

std::string base64Encode(const std::vector<uint8_t>& bytes);
// Empty optional when the text is not valid base64.
std::optional<std::vector<uint8_t>> base64Decode(const std::string& text);

}  // namespace pellam::platform
