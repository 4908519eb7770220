// Small DSP building blocks for the module builder's instrument recipes: a private random generator,
// band-limited oscillators, envelopes, filters, a plucked string, and the conversion to sample frames.
// Everything works on double-precision buffers and is deterministic for a given recipe.
#pragma once

#include <cstdint>
#include <vector>

namespace xmbuild {

using Buffer = std::vector<double>;

constexpr double kPi = 3.14159265358979323846;

// xorshift32: the builder's own generator, so the samples never depend on a library's rand().
class Rng {
public:
    explicit Rng(std::uint32_t seed) : state_(seed != 0 ? seed : 0x9E3779B9u) {}
    std::uint32_t next();
    // Uniform in [-1, 1).
    double bipolar();

private:
    std::uint32_t state_;
};

// Frequency of a note, 0-based from C-0 (A-4 = 57 = 440 Hz).
double noteFrequency(double note);

// Band-limited waveforms of one phase in [0, 1): harmonics up to maxFrequency for a fundamental f.
double sawWave(double phase, double fundamental, double maxFrequency);
double pulseWave(double phase, double duty, double fundamental, double maxFrequency);

// Exponential decay exp(-t / tau), and a linear attack of `attack` seconds in front of it.
double decay(double t, double tau);
double attackDecay(double t, double attack, double tau);

// Topology-preserving state-variable filter (Simper's form): one update gives all three outputs.
class StateVariableFilter {
public:
    void set(double cutoff, double resonance, double rate);
    struct Outputs {
        double low;
        double band;
        double high;
    };
    Outputs process(double input);

private:
    double g_ = 0.0;
    double k_ = 2.0;
    double a1_ = 1.0;
    double a2_ = 0.0;
    double a3_ = 0.0;
    double ic1_ = 0.0;
    double ic2_ = 0.0;
};

class OnePoleLowPass {
public:
    void set(double cutoff, double rate);
    double process(double input);

private:
    double coefficient_ = 1.0;
    double state_ = 0.0;
};

// A plucked string (Karplus-Strong) at `frequency`, `seconds` long, with a brightness in (0, 1].
Buffer pluckedString(double frequency, double seconds, double rate, double brightness, Rng& rng);

// Scales the buffer so that its largest magnitude is `peak` (0 < peak <= 1).
void normalise(Buffer& buffer, double peak);
// Linear fade to zero over the last `frames` frames.
void fadeTail(Buffer& buffer, std::size_t frames);
// Soft saturation that keeps small signals linear.
double saturate(double x);

// Rounds a buffer in -1..1 to 8-bit (-128..127) or 16-bit (-32768..32767) sample values.
std::vector<std::int32_t> toFrames(const Buffer& buffer, int bits);

}  // namespace xmbuild
