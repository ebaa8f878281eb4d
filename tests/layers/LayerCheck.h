#pragma once
// The layer check: the architecture page's two tables (which folder holds which library, and which
// library may reach which) read as rules, and the build's link lists and every #include of those
// folders held against them. The build writes the link lists at configure time
// (tests/layers/CMakeLists.txt), one target a line:
//   name <tab> type <tab> source folder <tab> sources, ';'-separated <tab> links, ';'-separated
#include <filesystem>
#include <iosfwd>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pellam::layers {

struct Target {
    std::string name;
    std::string type;                     // STATIC_LIBRARY, INTERFACE_LIBRARY, EXECUTABLE, ...
    std::filesystem::path folder;         // where its CMakeLists.txt is
    std::vector<std::filesystem::path> sources;  // absolute
    std::vector<std::string> links;       // direct, public and private
};

std::vector<Target> readTargets(std::istream& in);

// One row of the layer table, top to bottom.
struct Layer {
    std::string name;                     // "the simulation"
    std::vector<std::string> libraries;   // in the order written
    std::map<std::string, std::set<std::string>> arrows;  // a → b within the layer
    std::set<std::string> windowDoors;    // libraries marked as SDL, GL and ImGui doors
    std::string reach;                    // the "may reach" cell
};

struct Rules {
    std::vector<Layer> layers;
    std::map<std::string, std::set<std::string>> folderLibraries;  // "aircraft" → its row's libraries
    std::vector<std::string> errors;      // what could not be read
};

// Reads the "## Folders" and "## Layers" tables of the architecture page.
Rules readRules(const std::string& page);

// Every way the tree and the build leave the rules: a library outside the table or its folder's
// row, a link or an include of a library the rules do not let it reach, SDL, GL or ImGui reached
// from a library that may not. Empty when the layers hold.
std::vector<std::string> checkLayers(const std::filesystem::path& sourceRoot, const Rules& rules,
                                     const std::vector<Target>& targets);

}  // namespace pellam::layers
