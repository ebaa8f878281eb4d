#include "platform/Log.h"

#include <cstdio>

namespace pellam::platform {

void logMessage(std::string_view line) {
    std::fprintf(stderr, "pellam: %.*s\n", static_cast<int>(line.size()), line.data());
}

}  // namespace pellam::platform
