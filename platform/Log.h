#pragma once
#include <string_view>

namespace pellam::platform {

// One line to standard error, prefixed with the program's name. Messages the player must see
// go through the view's message lines as well; this is the record for whoever reads the log.
void logMessage(std::string_view line);

}  // namespace pellam::platform
