#include "tests/layers/LayerCheck.h"

#include <algorithm>
#include <deque>
#include <fstream>
#include <istream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace pellam::layers {
namespace {

std::vector<std::string> split(const std::string& s, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, separator)) parts.push_back(part);
    if (!s.empty() && s.back() == separator) parts.emplace_back();
    return parts;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The library names in a piece of the page, in order: pellam_*, and `pellam` alone (the executable),
// but not the games server's pellam-games-server.
std::vector<std::string> libraryNames(const std::string& text) {
    static const std::regex name(R"(\bpellam(_[a-z0-9_]+)?\b(?!-))");
    std::vector<std::string> names;
    for (auto m = std::sregex_iterator(text.begin(), text.end(), name); m != std::sregex_iterator(); ++m)
        names.push_back(m->str());
    return names;
}

// The body rows of the first table under the heading that starts with `heading`, as cells.
std::vector<std::vector<std::string>> tableRows(const std::string& page, const std::string& heading) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(page);
    std::string line;
    bool under = false, inTable = false;
    int row = 0;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) {
            if (under) break;
            under = line.rfind(heading, 0) == 0;
            continue;
        }
        if (!under) continue;
        if (line.rfind('|', 0) != 0) {
            if (inTable) break;
            continue;
        }
        inTable = true;
        if (row++ < 2) continue;  // the header and its rule
        std::vector<std::string> cells = split(line, '|');
        cells.erase(cells.begin());  // before the first bar
        if (!cells.empty() && trim(cells.back()).empty()) cells.pop_back();
        for (std::string& c : cells) {
            c.erase(std::remove(c.begin(), c.end(), '`'), c.end());
            c = trim(c);
        }
        rows.push_back(cells);
    }
    return rows;
}

bool mentionsWindowSystem(const std::string& text) {
    const std::string t = lower(text);
    return t.find("sdl") != std::string::npos && t.find("no sdl") == std::string::npos;
}

bool isWindowLibrary(const std::string& link) {
    static const std::regex window(R"(^(SDL2(::.*|main|-static)?|OpenGL::.*|GL|GLU|EGL|.*[Ii][Mm][Gg][Uu][Ii].*)$)");
    return std::regex_match(link, window);
}

bool isWindowHeader(const std::string& include) {
    static const std::regex window(
        R"(^((SDL2?/)?SDL[_.a-z0-9]*\.h|SDL2/.*|GL/.*|GLES.*|EGL/.*|KHR/.*|epoxy/.*|glad/.*|(backends/)?imgui.*)$)");
    return std::regex_match(include, window);
}

std::string stripLinkOnly(const std::string& link) {
    static const std::regex linkOnly(R"(^\$<LINK_ONLY:(.*)>$)");
    std::smatch m;
    return std::regex_match(link, m, linkOnly) ? m[1].str() : link;
}

fs::path normal(const fs::path& p) {
    std::error_code ignored;
    return fs::weakly_canonical(p, ignored).lexically_normal();
}

// The rules resolved: what each library of the table may link, directly or not, and whether it may
// reach SDL, GL or ImGui.
struct Reach {
    std::map<std::string, std::set<std::string>> allowed;
    std::map<std::string, bool> window;
    std::vector<std::string> order;  // the table's libraries, top to bottom
};

Reach resolve(const Rules& rules) {
    Reach r;
    std::map<std::string, std::set<std::string>> direct;
    for (size_t i = 0; i < rules.layers.size(); ++i) {
        const Layer& layer = rules.layers[i];
        std::set<std::string> below;
        bool window = false;
        const std::string reach = lower(layer.reach);
        if (reach.find("everything below") != std::string::npos) {
            window = true;
            for (size_t j = i + 1; j < rules.layers.size(); ++j)
                below.insert(rules.layers[j].libraries.begin(), rules.layers[j].libraries.end());
        } else {
            for (const std::string& n : libraryNames(layer.reach)) below.insert(n);
            for (size_t j = i + 1; j < rules.layers.size(); ++j)
                if (reach.find(lower(rules.layers[j].name)) != std::string::npos)
                    below.insert(rules.layers[j].libraries.begin(), rules.layers[j].libraries.end());
            window = mentionsWindowSystem(layer.reach);
        }
        for (const std::string& lib : layer.libraries) {
            r.order.push_back(lib);
            std::set<std::string>& d = direct[lib];
            d = below;
            if (layer.arrows.empty()) {
                d.insert(layer.libraries.begin(), layer.libraries.end());
                d.erase(lib);
            } else if (auto a = layer.arrows.find(lib); a != layer.arrows.end()) {
                d.insert(a->second.begin(), a->second.end());
            }
            r.window[lib] = window || layer.windowDoors.count(lib);
        }
    }
    for (const auto& [lib, first] : direct) {
        std::set<std::string>& all = r.allowed[lib];
        std::deque<std::string> todo(first.begin(), first.end());
        while (!todo.empty()) {
            const std::string next = todo.front();
            todo.pop_front();
            if (next == lib || !all.insert(next).second) continue;
            if (auto d = direct.find(next); d != direct.end()) todo.insert(todo.end(), d->second.begin(), d->second.end());
        }
    }
    return r;
}

// Which library each source file of the checked folders belongs to.
class Owners {
public:
    Owners(const Reach& reach, const std::map<std::string, const Target*>& tabled) : reach_(reach) {
        for (const auto& [name, t] : tabled)
            for (const fs::path& s : t->sources) {
                const fs::path p = normal(s);
                bySource_[p] = name;
                byFolder_[p.parent_path()].insert(name);
            }
    }

    // A file its library lists; a header beside a listed source; else the lowest library with
    // sources in the nearest folder above it. Empty when none.
    std::string of(const fs::path& file) const {
        const fs::path p = normal(file);
        if (auto s = bySource_.find(p); s != bySource_.end()) return s->second;
        for (const char* ext : {".cpp", ".cc"}) {
            fs::path sibling = p;
            sibling.replace_extension(ext);
            if (auto s = bySource_.find(sibling); s != bySource_.end()) return s->second;
        }
        for (fs::path d = p.parent_path(); !d.empty(); d = d.parent_path()) {
            if (auto f = byFolder_.find(d); f != byFolder_.end()) return lowest(f->second);
            if (d == d.parent_path()) break;
        }
        return "";
    }

private:
    // The one every other may reach: a shared header belongs to the library beneath the rest.
    std::string lowest(const std::set<std::string>& names) const {
        for (const std::string& c : names) {
            bool underAll = true;
            for (const std::string& other : names)
                if (other != c && !reach_.allowed.at(other).count(c)) underAll = false;
            if (underAll) return c;
        }
        return *names.begin();
    }

    const Reach& reach_;
    std::map<fs::path, std::string> bySource_;
    std::map<fs::path, std::set<std::string>> byFolder_;
};

std::string topFolder(const fs::path& root, const fs::path& folder) {
    const fs::path rel = normal(folder).lexically_relative(normal(root));
    return rel.empty() || *rel.begin() == ".." ? "" : rel.begin()->string();
}

void checkIncludes(const fs::path& root, const std::set<std::string>& folders, const Reach& reach,
                   const Owners& owners, std::vector<std::string>& problems) {
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
    for (const std::string& folder : folders) {
        if (!fs::is_directory(root / folder)) continue;
        std::vector<fs::path> files;
        for (const auto& e : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = e.path().extension().string();
            if (e.is_regular_file() && (ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc"))
                files.push_back(e.path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            const std::string owner = owners.of(file);
            if (owner.empty()) continue;
            std::ifstream in(file);
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                std::smatch m;
                if (line.find("include") == std::string::npos || !std::regex_search(line, m, include)) continue;
                const std::string name = m[2].str();
                fs::path target = root / name;
                if (!fs::is_regular_file(target) && m[1] == "\"") target = file.parent_path() / name;
                const std::string where = file.lexically_relative(root).string() + ":" + std::to_string(number);
                if (fs::is_regular_file(target)) {
                    const std::string used = owners.of(target);
                    if (!used.empty() && used != owner && !reach.allowed.at(owner).count(used))
                        problems.push_back(where + " includes " + name + " of " + used + ", which " + owner +
                                           " may not reach");
                } else if (isWindowHeader(name) && !reach.window.at(owner)) {
                    problems.push_back(where + " includes " + name + ": SDL, GL or ImGui, which " + owner +
                                       " may not reach");
                }
            }
        }
    }
}

}  // namespace

std::vector<Target> readTargets(std::istream& in) {
    std::vector<Target> targets;
    std::string line;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = split(line, '\t');
        if (f.size() < 5) continue;
        Target t{f[0], f[1], f[2], {}, {}};
        for (const std::string& s : split(f[3], ';'))
            if (!s.empty()) t.sources.push_back(fs::path(s).is_absolute() ? fs::path(s) : t.folder / s);
        for (const std::string& l : split(f[4], ';'))
            if (!l.empty() && std::find(t.links.begin(), t.links.end(), stripLinkOnly(l)) == t.links.end())
                t.links.push_back(stripLinkOnly(l));
        targets.push_back(std::move(t));
    }
    return targets;
}

Rules readRules(const std::string& page) {
    Rules rules;
    for (const auto& row : tableRows(page, "## Folders")) {
        if (row.size() < 2) continue;
        std::string folder = row[0];
        if (!folder.empty() && folder.back() == '/') folder.pop_back();
        for (const std::string& n : libraryNames(row[1])) rules.folderLibraries[folder].insert(n);
    }
    for (const auto& row : tableRows(page, "## Layers")) {
        if (row.size() < 3) {
            rules.errors.push_back("a layer row without three cells: " + (row.empty() ? "" : row[0]));
            continue;
        }
        Layer layer{row[0], {}, {}, {}, row[2]};
        for (const std::string& segment : split(row[1], ';')) {
            std::string plain = segment, note;
            if (const auto open = segment.find('('); open != std::string::npos) {
                const auto close = segment.find(')', open);
                note = segment.substr(open, close == std::string::npos ? std::string::npos : close - open + 1);
                plain = segment.substr(0, open) + (close == std::string::npos ? "" : segment.substr(close + 1));
            }
            std::vector<std::vector<std::string>> chain;
            size_t from = 0;
            for (size_t arrow; (arrow = plain.find("→", from)) != std::string::npos; from = arrow + std::string("→").size())
                chain.push_back(libraryNames(plain.substr(from, arrow - from)));
            chain.push_back(libraryNames(plain.substr(from)));
            for (size_t k = 0; k + 1 < chain.size(); ++k)
                for (const std::string& a : chain[k]) layer.arrows[a].insert(chain[k + 1].begin(), chain[k + 1].end());
            for (const auto& part : chain)
                for (const std::string& n : part) {
                    if (std::find(layer.libraries.begin(), layer.libraries.end(), n) == layer.libraries.end())
                        layer.libraries.push_back(n);
                    if (mentionsWindowSystem(note)) layer.windowDoors.insert(n);
                }
        }
        rules.layers.push_back(std::move(layer));
    }
    if (rules.layers.empty()) rules.errors.push_back("no layer table under \"## Layers\"");
    if (rules.folderLibraries.empty()) rules.errors.push_back("no folder table under \"## Folders\"");
    return rules;
}

std::vector<std::string> checkLayers(const fs::path& sourceRoot, const Rules& rules, const std::vector<Target>& targets) {
    std::vector<std::string> problems = rules.errors;
    const Reach reach = resolve(rules);

    std::map<std::string, const Target*> byName, tabled;
    for (const Target& t : targets) byName[t.name] = &t;
    std::set<std::string> folders;
    for (const std::string& lib : reach.order) {
        auto t = byName.find(lib);
        if (t == byName.end()) {
            problems.push_back("the layer table names " + lib + ", which the build does not make");
            continue;
        }
        tabled[lib] = t->second;
        folders.insert(topFolder(sourceRoot, t->second->folder));
    }
    folders.erase("");

    for (const Target& t : targets) {
        const std::string folder = topFolder(sourceRoot, t.folder);
        if (!folders.count(folder) || (t.type.find("LIBRARY") == std::string::npos && t.type != "EXECUTABLE")) continue;
        if (!tabled.count(t.name)) problems.push_back(t.name + " (" + folder + "/) is in no row of the layer table");
        auto row = rules.folderLibraries.find(folder);
        if (row == rules.folderLibraries.end() || !row->second.count(t.name))
            problems.push_back(t.name + " is not in the folder table's row for " + folder + "/");
    }

    for (const auto& [name, t] : tabled)
        for (const std::string& link : t->links) {
            if (byName.count(link)) {
                if (!tabled.count(link))
                    problems.push_back(name + " links " + link + ", which is in no row of the layer table");
                else if (!reach.allowed.at(name).count(link))
                    problems.push_back(name + " links " + link + ", which the layer table does not let it reach");
            } else if (isWindowLibrary(link) && !reach.window.at(name)) {
                problems.push_back(name + " links " + link + ": SDL, GL or ImGui, which it may not reach");
            }
        }

    // SDL, GL or ImGui gained through a library that may be linked but may reach them itself.
    for (const auto& [name, t] : tabled) {
        if (reach.window.at(name)) continue;
        std::set<std::string> seen;
        std::deque<std::string> todo;
        for (const std::string& l : t->links)
            if (tabled.count(l)) todo.push_back(l);
        while (!todo.empty()) {
            const std::string via = todo.front();
            todo.pop_front();
            if (via == name || !seen.insert(via).second) continue;
            for (const std::string& l : tabled.at(via)->links) {
                if (tabled.count(l)) todo.push_back(l);
                else if (isWindowLibrary(l))
                    problems.push_back(name + " reaches " + l + " through " + via + ": SDL, GL or ImGui, which it may not reach");
            }
        }
    }

    const Owners owners(reach, tabled);
    checkIncludes(sourceRoot, folders, reach, owners, problems);
    return problems;
}

}  // namespace pellam::layers
