// The music subsystem's one process-wide state and its reset.
#include "music/music_state.h"

namespace music {

MusicState::MusicState() { emptyInstrument.samples.fill(&emptySample); }

namespace {

// The output's start-up values; only while no playback runs.
void resetOutput(AudioOutput& out) {
    out.blockLength = 0;
    out.ringLength = 0;
    out.blockCount = 0;
    out.pcmRing.reset();
    out.floatStorage.reset();
    out.floatRing = nullptr;
    out.header = WAVEHDR{};
    out.device = nullptr;
    out.module = nullptr;
    out.writeIndex = 0;
    out.stopRequest = 0;
    out.busy = 0;
    out.threadFinished = 1;
    out.threadHeld = false;
}

}  // namespace

MusicState& musicState() {
    static MusicState state;
    return state;
}

void resetMusicState() {
    MusicState& state = musicState();
    if (state.output.module != nullptr) {
        stopPlayback(state.output.module);
    }
    resetOutput(state.output);
    state.selectedDevice = nullptr;
    state.fileCallbacks = FileCallbacks{};
    state.memoryFile = MemoryFileState{};
    state.lastLoadError.clear();
    state.emptySample = Sample{};
    state.emptyInstrument = Instrument{};
    state.emptyInstrument.samples.fill(&state.emptySample);
    state.playback = PlaybackState{};
}

}  // namespace music
