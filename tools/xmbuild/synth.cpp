// DSP building blocks of the instrument recipes.
#include "synth.h"

#include <algorithm>
#include <cmath>

namespace xmbuild {

std::uint32_t Rng::next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

double Rng::bipolar() {
    return static_cast<double>(next() >> 8) / 8388608.0 - 1.0;
}

double noteFrequency(double note) {
    return 440.0 * std::pow(2.0, (note - 57.0) / 12.0);
}

double sawWave(double phase, double fundamental, double maxFrequency) {
    double sum = 0.0;
    for (int k = 1; k * fundamental < maxFrequency; ++k) {
        sum += std::sin(2.0 * kPi * k * phase) / k;
    }
    return sum * (2.0 / kPi);
}

double pulseWave(double phase, double duty, double fundamental, double maxFrequency) {
    // A pulse is the difference of two saws offset by the duty cycle.
    double shifted = phase + duty;
    shifted -= std::floor(shifted);
    return 0.5 * (sawWave(phase, fundamental, maxFrequency) - sawWave(shifted, fundamental, maxFrequency));
}

double decay(double t, double tau) {
    return std::exp(-t / tau);
}

double attackDecay(double t, double attack, double tau) {
    if (t < attack) {
        return t / attack;
    }
    return decay(t - attack, tau);
}

void StateVariableFilter::set(double cutoff, double resonance, double rate) {
    const double limited = std::min(cutoff, rate * 0.45);
    g_ = std::tan(kPi * limited / rate);
    k_ = 2.0 - 2.0 * std::clamp(resonance, 0.0, 0.98);
    a1_ = 1.0 / (1.0 + g_ * (g_ + k_));
    a2_ = g_ * a1_;
    a3_ = g_ * a2_;
}

StateVariableFilter::Outputs StateVariableFilter::process(double input) {
    const double v3 = input - ic2_;
    const double v1 = a1_ * ic1_ + a2_ * v3;
    const double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    return {v2, v1, input - k_ * v1 - v2};
}

void OnePoleLowPass::set(double cutoff, double rate) {
    coefficient_ = 1.0 - std::exp(-2.0 * kPi * cutoff / rate);
}

double OnePoleLowPass::process(double input) {
    state_ += coefficient_ * (input - state_);
    return state_;
}

Buffer pluckedString(double frequency, double seconds, double rate, double brightness, Rng& rng) {
    const auto frames = static_cast<std::size_t>(seconds * rate);
    const double delay = rate / frequency - 0.5;  // the averaging filter adds half a frame
    const auto length = static_cast<std::size_t>(delay);
    const double fraction = delay - static_cast<double>(length);
    // An all-pass stage tunes the fractional part of the delay, so high notes stay in tune.
    const double allpass = (1.0 - fraction) / (1.0 + fraction);
    Buffer line(length);
    OnePoleLowPass excitationFilter;
    excitationFilter.set(rate * 0.5 * brightness, rate);
    for (double& value : line) {
        value = excitationFilter.process(rng.bipolar());
    }
    Buffer out(frames);
    std::size_t index = 0;
    double previous = 0.0;
    double allpassIn = 0.0;
    double allpassOut = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double current = line[index];
        const double averaged = 0.5 * (current + previous) * 0.998;
        previous = current;
        allpassOut = allpass * (averaged - allpassOut) + allpassIn;
        allpassIn = averaged;
        line[index] = allpassOut;
        out[i] = current;
        index = (index + 1) % length;
    }
    return out;
}

void normalise(Buffer& buffer, double peak) {
    double largest = 0.0;
    for (double value : buffer) {
        largest = std::max(largest, std::fabs(value));
    }
    if (largest > 0.0) {
        const double scale = peak / largest;
        for (double& value : buffer) {
            value *= scale;
        }
    }
}

void fadeTail(Buffer& buffer, std::size_t frames) {
    frames = std::min(frames, buffer.size());
    for (std::size_t i = 0; i < frames; ++i) {
        buffer[buffer.size() - 1 - i] *= static_cast<double>(i) / static_cast<double>(frames);
    }
}

double saturate(double x) {
    return std::tanh(x);
}

std::vector<std::int32_t> toFrames(const Buffer& buffer, int bits) {
    const double full = bits == 16 ? 32767.0 : 127.0;
    const double lowest = bits == 16 ? -32768.0 : -128.0;
    std::vector<std::int32_t> frames(buffer.size());
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const double scaled = std::clamp(std::round(buffer[i] * full), lowest, full);
        frames[i] = static_cast<std::int32_t>(scaled);
    }
    return frames;
}

}  // namespace xmbuild
