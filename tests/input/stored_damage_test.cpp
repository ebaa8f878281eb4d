// Stored input settings the player edited by hand or that were damaged: bindings are read as
// meant, and what cannot be read is kept aside before the defaults are written over it.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <regex>

#include "input/PellamJoySub.h"
#include "tests/input/TempStore.h"

namespace pellam::input {
namespace {

using namespace platform::hid;
using test::TempStore;
namespace fs = std::filesystem;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The player's store with Fire Guns moved to control-g, then `edit` applied to the file's text.
template <typename Edit>
void storeControlGThenEdit(TempStore& store, Edit edit) {
    {
        PellamJoySub input{nullptr, *store};
        input.awakeFromNib();
        const KeyboardCommandList g{'g', 0, kControlKeyMask, 0, nullptr};
        input.newKeyDefUnicode(&g, 2);
        input.KeyPressPrefsreadwriteorreset(2);
    }
    store->synchronize();
    const std::string path = store->filePath();
    const std::string text = edit(readText(path));
    std::ofstream(path, std::ios::binary) << text;
    store.reopen();
}

TEST(DamagedInputSettings, FlagsStoredAsNumbersKeepThePlayersBindings) {
    TempStore store;
    storeControlGThenEdit(store, [](const std::string& text) {
        return std::regex_replace(std::regex_replace(text, std::regex(": true"), ": 1"), std::regex(": false"), ": 0");
    });
    ASSERT_EQ(readText(store->filePath()).find("true"), std::string::npos);
    PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    EXPECT_EQ(input.CommandsAndKeys[2].PrimaryKeyStroke, uint32_t('g'));
    EXPECT_EQ(input.CommandsAndKeys[2].Modifiers, kControlKeyMask);
    EXPECT_FALSE(fs::exists(store->filePath() + ".corrupt"));
}

TEST(DamagedInputSettings, AnUndecodableKeyBlockIsKeptAsideBeforeTheDefaultsReplaceIt) {
    TempStore store;
    std::string damaged;
    storeControlGThenEdit(store, [&](const std::string& text) {
        damaged = std::regex_replace(text, std::regex("(\"KeyboardButtons2\": \\{\\s*\"base64\": \")"), "$1%%");
        return damaged;
    });
    const std::string aside = store->filePath() + ".corrupt";
    {
        PellamJoySub input{nullptr, *store};
        input.awakeFromNib();
        EXPECT_EQ(input.CommandsAndKeys[2].PrimaryKeyStroke, uint32_t(' '));  // the defaults, for now
    }
    const auto reports = store->takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("KeyboardButtons2"), std::string::npos);
    EXPECT_NE(reports[0].find(aside), std::string::npos);
    EXPECT_EQ(readText(aside), damaged);
    fs::remove(aside);
}

TEST(DamagedInputSettings, RowQueriesFromTheBindingWindowAreBounded) {
    TempStore store;
    PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    EXPECT_EQ(input.getCommandForRow(INT_MAX), nullptr);
    EXPECT_EQ(input.getCommandForRow(INT_MIN), nullptr);
}

}  // namespace
}  // namespace pellam::input
