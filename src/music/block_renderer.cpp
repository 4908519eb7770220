// The block loop: replayer ticks interleaved with mixer runs, then the conversion to 16-bit PCM.
#include "music/block_renderer.h"

#include <algorithm>

#include "music/mixer.h"
#include "music/playback_state.h"
#include "music/replayer.h"

namespace music {

void preparePlayback(Module& module) {
    resetPlaybackState();
    startReplay(module);
}

void renderBlock(Module& module, float* mix, std::int16_t* pcm, std::int32_t frames) {
    if (mix == nullptr || pcm == nullptr || frames <= 0) return;
    std::fill(mix, mix + 2 * static_cast<std::size_t>(frames), 0.0f);
    std::int32_t done = 0;
    while (done < frames) {
        if (module.samplesLeftInTick <= 0) {
            if (module.tickProcedure != nullptr) module.tickProcedure(module);
            module.samplesLeftInTick = module.samplesPerTick;
        }
        std::int32_t run = frames - done;
        if (module.samplesLeftInTick > 0) {
            run = std::min(run, module.samplesLeftInTick);
            module.samplesLeftInTick -= run;
        } else {
            // A tick that leaves no samples (no tempo yet, or a corrupt one) must not spin here: the rest
            // of the block plays on with the voices as they are, and the next call ticks again.
            module.samplesLeftInTick = 0;
        }
        mixVoices(mix + 2 * static_cast<std::size_t>(done), run);
        done += run;
    }
    convertBlock(pcm, mix, frames);
}

}  // namespace music
