#pragma once
// Memory the program has freed, handed back to the system.

namespace pellam::platform {

// Gives the system back every whole page the C library's allocator holds free: the heap's top and
// the free pages inside it. Left alone, the allocator keeps all that the busiest frame so far ever
// borrowed (it raises its own thresholds to the largest block freed, the world's 21 MB file at
// start-up), so a game that draws new views, as the circling camera of a paused one does, grows
// by each new peak. A walk of the free lists: call it now and then, not every frame.
void returnFreedMemory();

}  // namespace pellam::platform
