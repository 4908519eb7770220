// The shared silent sample and instrument, kept in the MusicState.
#include "music/module.h"

#include "music/music_state.h"

namespace music {

Sample& emptySample() { return musicState().emptySample; }

Instrument& emptyInstrument() { return musicState().emptyInstrument; }

}  // namespace music
