#pragma once
// Waiting for something another thread or process does: polled until it has happened, however
// long a loaded machine takes. The bound is there only so that a hang ends in a failure naming
// what never came, not in the runner's timeout.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace pellam::testing {

// Far beyond any wait seen on a loaded machine under the sanitizers, well inside a test's 600 s.
inline constexpr std::chrono::seconds kHangBound{120};

// True once `happened` holds; false, with a failure naming `what`, when it has not within `bound`.
// The first polls only yield, since what is awaited is often a receiver a few microseconds
// behind; later ones sleep `pause`, so that a long wait leaves the processor to the threads
// awaited (a poll that itself does work asks for a longer pause).
template <class Event>
bool waitFor(Event&& happened, const std::string& what, std::chrono::steady_clock::duration bound = kHangBound,
             std::chrono::microseconds pause = std::chrono::microseconds(200)) {
    const auto end = std::chrono::steady_clock::now() + bound;
    for (long polls = 0; !happened(); ++polls) {
        if (std::chrono::steady_clock::now() > end) {
            ADD_FAILURE() << "gave up after "
                          << std::chrono::duration_cast<std::chrono::seconds>(bound).count()
                          << " s waiting for " << what;
            return false;
        }
        if (polls < 1000) std::this_thread::yield();
        else std::this_thread::sleep_for(pause);
    }
    return true;
}

}  // namespace pellam::testing
