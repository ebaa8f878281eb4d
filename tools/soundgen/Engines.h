#pragma once
// The aircraft engines: the Camel's nine-cylinder rotary and the Fokker's water-cooled inline
// six, each as running, idle and outside loops, start-up, shut-down and a fly-by. 44,100 frames/s.
#include "Dsp.h"

namespace soundgen {

inline constexpr double kEngineRate = 44100.0;

Buffer rotaryRunningLoop();   // cockpit, about 1,000 rpm
Buffer rotaryOutsideLoop();   // heard from outside
Buffer rotaryBlipIdleLoop();  // idling on the blip switch
Buffer rotaryStartUp();
Buffer engineShutDown();
Buffer rotaryFlyBy();
Buffer inlineRunningLoop();   // cockpit, about 1,300 rpm
Buffer inlineIdleLoop();      // about 450 rpm
Buffer inlineOutsideLoop();
Buffer inlineStartUp();

}  // namespace soundgen
