#pragma once
#include "sound/SoundGuy.h"

namespace pellam {

// The game's sound object: the sound object as it is.
class PellamSound : public SoundGuy {
public:
    using SoundGuy::SoundGuy;
};

}  // namespace pellam
