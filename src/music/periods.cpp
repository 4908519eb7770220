// Periods and frequencies. The float32 constants are widened to double before use, so the exact
// float values (not their decimal spelling) decide the truncated results.
#include "music/periods.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace music {
namespace {

constexpr float kTwelfth = 0.0833333358f;     // 1/12 as float32
constexpr float kLinearCentre = 4608.0f;      // the linear period of C-4
constexpr float kLinearOctave = 0.0013020834f;  // 1/768 as float32
constexpr double kC4Frequency = 8363.0;
constexpr std::int32_t kAmigaClock = 14317056;
constexpr std::int32_t kMinimumFrequency = 100;

std::int32_t amigaStep(std::int32_t k, std::int32_t note) {
    return static_cast<std::int32_t>(std::pow(2.0, static_cast<double>(k - note) * static_cast<double>(kTwelfth)) *
                                     13.375);
}

}  // namespace

std::int32_t amigaPeriod(std::int32_t note, std::int32_t finetune) {
    const std::int32_t base = amigaStep(132, note);
    if (finetune >= 0 || note == 0) {
        return base + ((base - amigaStep(131, note)) * finetune) / -128;
    }
    return base + ((base - amigaStep(133, note)) * std::abs(finetune)) / -128;
}

std::int32_t notePeriod(bool linear, std::int32_t realNote, std::int32_t finetune) {
    if (linear) {
        return 7680 - 64 * realNote - finetune / 2;
    }
    return amigaPeriod(realNote, finetune);
}

std::int32_t periodFrequency(bool linear, std::int32_t period, std::int32_t periodOffset) {
    const std::int64_t sum = static_cast<std::int64_t>(period) + periodOffset;
    if (!linear) {
        return sum == 0 ? 0 : static_cast<std::int32_t>(kAmigaClock / sum);
    }
    // In the linear table a positive offset raises the pitch: the exponent takes -period + offset.
    const double exponent = (static_cast<double>(kLinearCentre) - static_cast<double>(period) +
                             static_cast<double>(periodOffset)) *
                            static_cast<double>(kLinearOctave);
    const double frequency = std::pow(2.0, exponent) * kC4Frequency;
    constexpr double kMax = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    return frequency >= kMax ? std::numeric_limits<std::int32_t>::max() : static_cast<std::int32_t>(frequency);
}

std::int32_t slidePeriod(std::int32_t period, std::int32_t delta) {
    constexpr std::int64_t kLimit = std::int64_t{1} << 24;
    const std::int64_t sum = static_cast<std::int64_t>(period) + delta;
    return static_cast<std::int32_t>(sum > kLimit ? kLimit : (sum < -kLimit ? -kLimit : sum));
}

void setVoiceStep(Voice& voice, std::int32_t frequency, std::int32_t mixRate) {
    if (mixRate <= 0) {
        return;
    }
    const std::int32_t f = frequency < kMinimumFrequency ? kMinimumFrequency : frequency;
    voice.stepInteger = f / mixRate;
    voice.stepFraction = static_cast<std::uint32_t>((static_cast<std::uint64_t>(f % mixRate) << 32) /
                                                    static_cast<std::uint64_t>(mixRate));
}

}  // namespace music
