// The shared silent sample and instrument, kept in the music's ProcessState.
#include "music/module.h"

#include "music/process_state.h"

namespace music {

Sample& emptySample() { return processState().emptySample; }

Instrument& emptyInstrument() { return processState().emptyInstrument; }

}  // namespace music
