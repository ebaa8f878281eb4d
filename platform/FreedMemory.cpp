#include "platform/FreedMemory.h"

#include <malloc.h>

namespace pellam::platform {

void returnFreedMemory() { malloc_trim(0); }

}  // namespace pellam::platform
