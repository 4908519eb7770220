// Everything the music subsystem keeps for the whole process, in one place: the playback state that the
// replayer, the mixer and the output thread share, the audio output with its selected device, the
// registered file operations and the memory file, the loader's last error, and the shared silent
// sample and instrument. The accessors of each part (playbackState, audioOutput, ...) reach into it.
#pragma once

#include <string>

#include "music/audio_output.h"
#include "music/file_callbacks.h"
#include "music/module.h"
#include "music/playback_state.h"

namespace music {

struct MusicState {
    MusicState();
    MusicState(const MusicState&) = delete;
    MusicState& operator=(const MusicState&) = delete;

    PlaybackState playback;
    AudioOutput output;
    AudioDevice* selectedDevice = nullptr;  // what startPlayback opens; null = none
    FileCallbacks fileCallbacks;            // all five set, or none
    MemoryFileState memoryFile;
    std::string lastLoadError;
    Sample emptySample;
    Instrument emptyInstrument;  // every slot on emptySample
};

MusicState& musicState();

// Returns the music subsystem to its start-up state, for tests and tools that play several songs in one
// process: stops a running playback (the module stays with its owner), forgets the selected device, the
// file operations, the memory file and the last load error, restores the silent records and the
// default mix rate, and zeroes the playback state.
void resetMusicState();

}  // namespace music
