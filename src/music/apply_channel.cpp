// applyChannel: the only place where the replayer writes voices. Voices live in the playback state;
// a retriggered note moves to the partner voice so that the old one can fade out through the mixer's ramp.
#include "music/apply_channel.h"

#include <cstdlib>

#include "music/periods.h"
#include "music/playback_state.h"

namespace music {
namespace {

// 255 / 2^35 as float32: (volume 64) x (envelope 64) x (fadeout 65536) x (global 64) scales to 127.5.
constexpr float kVolumeScale = 7.4214768e-9f;

Voice& partnerOf(Voice& voice) {
    auto& voices = playbackState().voices;
    const std::ptrdiff_t index = &voice - voices.data();
    const std::ptrdiff_t partner = index < kPartnerVoiceDistance ? index + kPartnerVoiceDistance
                                                                 : index - kPartnerVoiceDistance;
    return voices[static_cast<std::size_t>(partner)];
}

void triggerVoice(Channel& channel, const Sample& sample, RuleSet rules) {
    Voice* voice = channel.voice;
    if (voice->sample != nullptr) {
        Voice& partner = partnerOf(*voice);
        const std::int32_t partnerIndex = partner.index;
        partner = *voice;
        partner.index = partnerIndex;
        voice->volume = 0;
        voice->gainA = 0;
        voice->gainB = 0;
        voice = &partner;
        channel.voice = voice;
    }
    // A note started past its sample's end stays silent; the old one still fades out above.
    if ((channel.flags & kUpdateSilentStart) != 0) {
        voice->sample = nullptr;
        voice->startOffset = 0;
        return;
    }
    voice->sample = &sample;
    // The tracker starts a looped sample's offset anywhere before the sample's end; the loop takes it in.
    const std::uint32_t offsetLimit =
        rules.has(Behaviour::OffsetPastEndSilences) ? sample.length : sample.loopStart + sample.loopLength;
    if (voice->startOffset >= offsetLimit) {
        voice->startOffset = 0;
    }
    voice->position = static_cast<std::int32_t>(voice->startOffset);
    voice->fraction = 0;
    voice->direction = Direction::Forward;
    voice->startOffset = 0;
    voice->currentGainA = 0;
    voice->currentGainB = 0;
    voice->rampFramesLeft = 0;
}

void applyVolume(const Channel& channel, const Module& module, Voice& voice) {
    const std::int32_t level = channel.tremorSilenced != 0 ? 0 : channel.volume + channel.volumeOffset;
    const double product = static_cast<double>(level) *
                           static_cast<double>(channel.volumeEnvelope.value) *
                           static_cast<double>(channel.fadeoutVolume) * static_cast<double>(module.globalVolume);
    const std::int32_t volume = static_cast<std::int32_t>(product * static_cast<double>(kVolumeScale));
    voice.volume = volume;
    voice.gainA = voice.panning * volume / 255;
    voice.gainB = (255 - voice.panning) * volume / 255;
}

// The swing is formed in 64 bits: a panning slid far outside 0..255 times a malformed envelope value
// does not fit in 32, and the clamp must see the true sum.
void applyPanning(const Channel& channel, Voice& voice) {
    const std::int64_t room = (128 - std::abs(channel.panning - 128)) / 32;
    const std::int64_t swung = channel.panning + room * (channel.panningEnvelope.value - 32);
    const std::int32_t pan = swung < 0 ? 0 : (swung > 255 ? 255 : static_cast<std::int32_t>(swung));
    voice.panning = pan;
    voice.gainA = voice.volume * pan / 255;
    voice.gainB = (255 - pan) * voice.volume / 255;
}

}  // namespace

void applyChannel(Channel& channel, const Sample& sample, const Module& module) {
    if (channel.voice == nullptr) {
        return;
    }
    if (static_cast<std::int64_t>(channel.period) + channel.periodOffset == 0) {
        channel.flags &= static_cast<std::uint8_t>(~kUpdateFrequency);
    }
    if ((channel.flags & kUpdateTrigger) != 0) {
        triggerVoice(channel, sample, module.behaviours);
    }
    Voice& voice = *channel.voice;
    if ((channel.flags & kUpdateVolume) != 0) {
        applyVolume(channel, module, voice);
    }
    if ((channel.flags & kUpdatePanning) != 0) {
        applyPanning(channel, voice);
    }
    if ((channel.flags & kUpdateFrequency) != 0) {
        const std::int32_t frequency =
            periodFrequency(module.linearFrequencies(), channel.period, channel.periodOffset);
        setVoiceStep(voice, frequency, playbackState().mixRate);
    }
    if ((channel.flags & kUpdateRestart) != 0) {
        voice.position = 0;
        voice.fraction = 0;
        voice.startOffset = 0;
    }
}

}  // namespace music
