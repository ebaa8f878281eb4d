// Random numbers, bundle paths and the two string helpers of the class library.
#include <algorithm>
#include <cstdint>

#include "core/ZephModel.h"
#include "platform/Paths.h"
#include "platform/Random.h"

namespace pellam {

namespace {
platform::RandomStream ownStream;
platform::RandomStream* simulationStream = &ownStream;
}  // namespace

platform::RandomStream& ZephModel::simulationRandom() { return *simulationStream; }

void ZephModel::useSimulationRandom(platform::RandomStream* stream) { simulationStream = stream ? stream : &ownStream; }

double ZephModel::GetDoubleRandom0to1() { return simulationStream->unit(); }

int32_t ZephModel::GetLongRandomFrom(int32_t from, int32_t to) { return simulationStream->longFrom(from, to); }

double ZephModel::GetDoubleRandomFrom(double from, double to) { return simulationStream->doubleFrom(from, to); }

double ZephModel::getDoubleRandomFrom(double from, double to) { return simulationStream->steppedFrom(from, to); }

std::string ZephModel::getPathToFolder() { return platform::applicationFolder(); }

std::string ZephModel::getPathToResources() { return platform::resourcesFolder(); }

int32_t ZephModel::loadNamedTexture(ViewServices* view, const std::string& name) {
    if (!view) return -1;
    const std::string a = getPathToFolder() + "/Necessary Data/Textures/" + name;
    const std::string b = getPathToResources() + "Necessary Data/Textures/" + name;
    int32_t slot = view->fmGetTextureFromDiskNSString(a, 1, 6, 9, 0);
    if (slot < 0) slot = view->fmGetTextureFromDiskNSString(b, 1, 6, 9, 0);
    if (slot < 0) {
        view->textureMissing("The texture \"" + name + "\" was not found in " + a + " or " + b +
                             "; a plain pattern stands in for it.");
        slot = view->missingTextureSlot();
    }
    return slot;
}

bool ZephModel::compareStringSp(const unsigned char* name, std::string_view chars) {
    const int n = name[0];
    int i = 0;
    while (i < n) {
        if (static_cast<size_t>(i) >= chars.size() || static_cast<unsigned char>(chars[i]) != name[1 + i]) i = 100;
        i += 1;
    }
    return i <= 99;
}

void ZephModel::myGetAsciiCString(std::string_view utf8, char* destination, int32_t maxLength, size_t capacity) {
    if (capacity == 0) return;
    // Room for the characters and the two closing zero bytes.
    const size_t room = capacity >= 2 ? capacity - 2 : 0;
    const size_t limit = std::min<size_t>({8190, static_cast<size_t>(std::max(maxLength, 0)), room});
    size_t n = 0;
    for (size_t i = 0; i < utf8.size() && n < limit;) {
        // Decode one UTF-8 character; a stray byte counts as a character of its own.
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        uint32_t code = lead;
        size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        if (extra && i + extra >= utf8.size()) extra = 0;
        if (extra) {
            code = lead & (0x3F >> extra);
            for (size_t k = 1; k <= extra; ++k) code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += 1 + extra;
        destination[n++] = static_cast<char>(code & 0xFF);
    }
    destination[n] = 0;
    if (n + 1 < capacity) destination[n + 1] = 0;
}

}  // namespace pellam
