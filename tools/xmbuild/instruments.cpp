// The eleven instrument recipes. Sample rates are chosen per sound (drums near their natural rate, pitched
// loops at a whole number of frames per cycle) and expressed through relative note and finetune.
#include "instruments.h"

#include <cmath>

#include "synth.h"

namespace xmbuild {

namespace {

constexpr int kNoteC4 = 48;
constexpr int kNoteA1 = 21;
constexpr int kNoteA3 = 45;
constexpr int kNoteA4 = 57;
constexpr int kNoteC5 = 60;
constexpr int kNoteA5 = 69;

std::size_t framesFor(double seconds, double rate) {
    return static_cast<std::size_t>(seconds * rate);
}

xmwriter::Instrument makeInstrument(const std::string& name, const Buffer& signal, int bits, const Tuning& tuning) {
    xmwriter::Instrument instrument;
    instrument.name = name;
    instrument.keymap.fill(0);
    xmwriter::Sample& sample = instrument.samples.emplace_back();
    sample.name = name;
    sample.bits = bits;
    sample.frames = toFrames(signal, bits);
    sample.relativeNote = tuning.relativeNote;
    sample.finetune = tuning.finetune;
    return instrument;
}

void setLoop(xmwriter::Instrument& instrument, xmwriter::LoopType type, std::size_t start, std::size_t length) {
    xmwriter::Sample& sample = instrument.samples.front();
    sample.loop = type;
    sample.loopStart = static_cast<std::uint32_t>(start);
    sample.loopLength = static_cast<std::uint32_t>(length);
}

// Six detuned square waves at the classic drum-machine cymbal ratios: the metallic part of hats and crash.
double metallic(double t) {
    static constexpr double kFrequencies[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    double sum = 0.0;
    for (double f : kFrequencies) {
        const double phase = f * 1.98 * t;
        sum += (phase - std::floor(phase)) < 0.5 ? 1.0 : -1.0;
    }
    return sum / 6.0;
}

xmwriter::Instrument kick() {
    const Tuning tuning = tuningFor(16726.0, kNoteC4);
    const double rate = tuning.rate;
    Buffer out(framesFor(0.28, rate));
    Rng rng(0x6B69636Bu);
    OnePoleLowPass clickFilter;
    clickFilter.set(3000.0, rate);
    double phase = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        // The pitch falls fast from a knock to a low boom; the phase integrates it.
        const double frequency = 47.0 + 105.0 * decay(t, 0.028) + 60.0 * decay(t, 0.004);
        phase += frequency / rate;
        const double body = std::sin(2.0 * kPi * phase) * attackDecay(t, 0.0015, 0.16);
        const double click = clickFilter.process(rng.bipolar()) * decay(t, 0.004) * 0.6;
        out[i] = saturate(1.7 * (body + click));
    }
    fadeTail(out, out.size() / 5);
    normalise(out, 0.95);
    return makeInstrument("kick", out, 16, tuning);
}

xmwriter::Instrument snare() {
    const Tuning tuning = tuningFor(22050.0, kNoteC4);
    const double rate = tuning.rate;
    Buffer out(framesFor(0.22, rate));
    Rng rng(0x736E6172u);
    StateVariableFilter noiseFilter;
    noiseFilter.set(5200.0, 0.2, rate);
    double phase = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        phase += (185.0 + 70.0 * decay(t, 0.012)) / rate;
        const double tone = 0.55 * std::sin(2.0 * kPi * phase) * decay(t, 0.05) +
                            0.2 * std::sin(2.0 * kPi * 330.0 * t) * decay(t, 0.03);
        const StateVariableFilter::Outputs noise = noiseFilter.process(rng.bipolar());
        const double rattle = (0.7 * noise.band + 0.5 * noise.high) * attackDecay(t, 0.001, 0.075);
        out[i] = saturate(1.4 * (tone + rattle));
    }
    fadeTail(out, out.size() / 4);
    normalise(out, 0.97);
    return makeInstrument("snare", out, 8, tuning);
}

Buffer cymbal(double seconds, double rate, double tau, std::uint32_t seed) {
    Buffer out(framesFor(seconds, rate));
    Rng rng(seed);
    StateVariableFilter highPass;
    highPass.set(6500.0, 0.3, rate);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double source = 0.6 * metallic(t) + 0.5 * rng.bipolar();
        out[i] = highPass.process(source).high * attackDecay(t, 0.0008, tau);
    }
    return out;
}

xmwriter::Instrument closedHat() {
    const Tuning tuning = tuningFor(30000.0, kNoteC4);
    Buffer out = cymbal(0.07, tuning.rate, 0.016, 0x68617463u);
    fadeTail(out, out.size() / 3);
    normalise(out, 0.95);
    return makeInstrument("closed hat", out, 8, tuning);
}

xmwriter::Instrument openHat() {
    const Tuning tuning = tuningFor(26000.0, kNoteC4);
    Buffer out = cymbal(0.24, tuning.rate, 0.09, 0x6F686174u);
    fadeTail(out, out.size() / 3);
    normalise(out, 0.95);
    return makeInstrument("open hat", out, 8, tuning);
}

// A crash whose wash is a ping-pong loop of steady noise; the instrument's volume envelope lets it ring.
xmwriter::Instrument crash() {
    const Tuning tuning = tuningFor(22050.0, kNoteC4);
    const double rate = tuning.rate;
    Buffer out(framesFor(0.36, rate));
    Rng rng(0x63726173u);
    StateVariableFilter filter;
    filter.set(4200.0, 0.1, rate);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double source = 0.35 * metallic(t * 1.07) + 0.65 * rng.bipolar();
        const double level = 0.55 + 0.45 * decay(t, 0.05);
        out[i] = filter.process(source).high * level;
    }
    normalise(out, 0.95);
    xmwriter::Instrument instrument = makeInstrument("crash", out, 8, tuning);
    const std::size_t loopStart = framesFor(0.15, rate);
    setLoop(instrument, xmwriter::LoopType::PingPong, loopStart, out.size() - loopStart);
    instrument.volumeEnvelope.points = {{0, 64}, {10, 44}, {40, 22}, {100, 8}, {170, 0}};
    instrument.volumeEnvelope.type = xmwriter::kEnvelopeOn;
    return instrument;
}

// Saw plus a square one octave down through a low-pass whose cutoff closes after the attack; the loop is
// four exact cycles of the settled sound.
xmwriter::Instrument bass() {
    constexpr int kCycle = 256;
    constexpr int kLoopCycles = 4;
    const Tuning tuning = tuningFor(noteFrequency(kNoteA1) * kCycle, kNoteA1);
    const double rate = tuning.rate;
    const double fundamental = rate / kCycle;
    const std::size_t attack = framesFor(0.11, rate);
    const std::size_t settle = kCycle * kLoopCycles / 2;
    const std::size_t total = attack + settle + kCycle * kLoopCycles;
    Buffer out(total);
    StateVariableFilter filter;
    for (std::size_t i = 0; i < total; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double phase = static_cast<double>(i % kCycle) / kCycle;
        const double subPhase = static_cast<double>(i % (2 * kCycle)) / (2 * kCycle);
        const double raw = 0.7 * sawWave(phase, fundamental, 5000.0) +
                           0.45 * pulseWave(subPhase, 0.5, fundamental / 2.0, 3000.0);
        const double cutoff = i < attack ? 520.0 + 2300.0 * decay(t, 0.035) : 520.0 + 2300.0 * decay(0.11, 0.035);
        filter.set(cutoff, 0.45, rate);
        out[i] = saturate(1.3 * filter.process(raw).low);
    }
    normalise(out, 0.9);
    xmwriter::Instrument instrument = makeInstrument("bass", out, 16, tuning);
    // The sub-octave square repeats every two cycles, so the loop spans an even number of cycles.
    setLoop(instrument, xmwriter::LoopType::Forward, total - kCycle * kLoopCycles, kCycle * kLoopCycles);
    return instrument;
}

// Five detuned saws and a soft sine an octave down, warmed by a low-pass; the ping-pong loop hides the
// detuned oscillators' phases, which never line up again.
xmwriter::Instrument pad() {
    const Tuning tuning = tuningFor(12000.0, kNoteA3);
    const double rate = tuning.rate;
    const double fundamental = noteFrequency(kNoteA3);
    static constexpr double kDetuneCents[] = {-17.0, -7.0, 0.0, 8.0, 16.0};
    Buffer out(framesFor(0.5, rate));
    Rng rng(0x70616421u);
    double phases[5];
    for (double& phase : phases) {
        phase = 0.5 + 0.5 * rng.bipolar();
    }
    StateVariableFilter filter;
    filter.set(2600.0, 0.15, rate);
    for (std::size_t i = 0; i < out.size(); ++i) {
        double sum = 0.0;
        for (int v = 0; v < 5; ++v) {
            const double f = fundamental * std::pow(2.0, kDetuneCents[v] / 1200.0);
            sum += sawWave(phases[v], f, 4400.0);
            phases[v] += f / rate;
            phases[v] -= std::floor(phases[v]);
        }
        const double t = static_cast<double>(i) / rate;
        const double sub = 0.6 * std::sin(kPi * fundamental * t);
        out[i] = filter.process(sum / 3.0 + sub).low;
    }
    normalise(out, 0.9);
    xmwriter::Instrument instrument = makeInstrument("pad", out, 16, tuning);
    const std::size_t loopStart = framesFor(0.06, rate);
    setLoop(instrument, xmwriter::LoopType::PingPong, loopStart, out.size() - loopStart);
    // A slow swell and a release after key-off.
    instrument.volumeEnvelope.points = {{0, 0}, {14, 64}, {60, 52}, {90, 0}};
    instrument.volumeEnvelope.sustain = 2;
    instrument.volumeEnvelope.type = xmwriter::kEnvelopeOn | xmwriter::kEnvelopeSustain;
    instrument.fadeout = 0x200;
    return instrument;
}

// Saw and pulse mixed, brighter during the attack; the loop is four exact cycles.
xmwriter::Instrument lead() {
    constexpr int kCycle = 64;
    constexpr int kLoopCycles = 4;
    const Tuning tuning = tuningFor(noteFrequency(kNoteC5) * kCycle, kNoteC5);
    const double rate = tuning.rate;
    const double fundamental = rate / kCycle;
    const std::size_t attack = framesFor(0.08, rate) / kCycle * kCycle;
    const std::size_t total = attack + kCycle * kLoopCycles;
    Buffer out(total);
    for (std::size_t i = 0; i < total; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double phase = static_cast<double>(i % kCycle) / kCycle;
        // The extra pulse of the attack has died away before the loop, so attack and loop join smoothly.
        const double shine = 0.25 * decay(t, 0.012);
        out[i] = 0.55 * sawWave(phase, fundamental, 9000.0) +
                 (0.4 + shine) * pulseWave(phase, 0.3, fundamental, 9000.0);
    }
    normalise(out, 0.9);
    xmwriter::Instrument instrument = makeInstrument("lead", out, 16, tuning);
    setLoop(instrument, xmwriter::LoopType::Forward, attack, kCycle * kLoopCycles);
    instrument.vibratoType = 0;
    instrument.vibratoSweep = 40;
    instrument.vibratoDepth = 3;
    instrument.vibratoRate = 10;
    return instrument;
}

xmwriter::Instrument pluck() {
    const Tuning tuning = tuningFor(22050.0, kNoteA4);
    Rng rng(0x706C756Bu);
    Buffer out = pluckedString(noteFrequency(kNoteA4), 0.3, tuning.rate, 0.75, rng);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] *= decay(static_cast<double>(i) / tuning.rate, 0.16);
    }
    fadeTail(out, out.size() / 4);
    normalise(out, 0.95);
    return makeInstrument("pluck", out, 8, tuning);
}

// Two-operator FM with a falling index: a glassy bell for the counter-melody and sparkles.
xmwriter::Instrument bell() {
    const Tuning tuning = tuningFor(22050.0, kNoteA5);
    const double rate = tuning.rate;
    const double f = noteFrequency(kNoteA5);
    Buffer out(framesFor(0.36, rate));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double index = 1.2 + 2.5 * decay(t, 0.03);
        const double modulator = std::sin(2.0 * kPi * 3.5 * f * t) * index;
        out[i] = std::sin(2.0 * kPi * f * t + modulator) * attackDecay(t, 0.001, 0.14);
    }
    fadeTail(out, out.size() / 4);
    normalise(out, 0.95);
    return makeInstrument("bell", out, 8, tuning);
}

// Band-passed noise on a forward loop: pitched with portamento it becomes the risers and sweeps.
xmwriter::Instrument sweep() {
    const Tuning tuning = tuningFor(22050.0, kNoteC4);
    const double rate = tuning.rate;
    Buffer out(framesFor(0.25, rate));
    Rng rng(0x73776570u);
    StateVariableFilter filter;
    filter.set(1800.0, 0.7, rate);
    // Run the filter in first, so the loop holds settled noise only.
    for (int i = 0; i < 2000; ++i) {
        filter.process(rng.bipolar());
    }
    for (double& value : out) {
        value = filter.process(rng.bipolar()).band;
    }
    // Cross-fade the loop's end into its start so the seam does not click.
    const std::size_t blend = out.size() / 8;
    for (std::size_t i = 0; i < blend; ++i) {
        const double w = static_cast<double>(i) / static_cast<double>(blend);
        double& tail = out[out.size() - blend + i];
        tail = tail * (1.0 - w) + out[i] * w;
    }
    normalise(out, 0.9);
    xmwriter::Instrument instrument = makeInstrument("sweep", out, 8, tuning);
    setLoop(instrument, xmwriter::LoopType::Forward, 0, out.size());
    return instrument;
}

}  // namespace

Tuning tuningFor(double wantedRate, int baseNote) {
    const double semitones = 12.0 * std::log2(wantedRate / 8363.0) + kNoteC4 - baseNote;
    int relative = static_cast<int>(std::floor(semitones + 0.5));
    int finetune = 2 * static_cast<int>(std::lround((semitones - relative) * 64.0));
    if (finetune > 126) {
        finetune -= 128;
        ++relative;
    }
    Tuning tuning;
    tuning.relativeNote = static_cast<std::int8_t>(relative);
    tuning.finetune = static_cast<std::int8_t>(finetune);
    tuning.rate = 8363.0 * std::pow(2.0, (relative + finetune / 128.0 - kNoteC4 + baseNote) / 12.0);
    return tuning;
}

const std::vector<Recipe>& recipes() {
    static const std::vector<Recipe> table = {
        {"kick", "sine sweep with a click, 16-bit", &kick},
        {"snare", "tone body and band-passed noise, 8-bit", &snare},
        {"closed-hat", "metallic squares and noise, short, 8-bit", &closedHat},
        {"open-hat", "metallic squares and noise, long, 8-bit", &openHat},
        {"crash", "noise wash on a ping-pong loop with an envelope, 8-bit", &crash},
        {"bass", "filtered saw and sub square, forward loop, 16-bit", &bass},
        {"pad", "five detuned saws, ping-pong loop, swell envelope, 16-bit", &pad},
        {"lead", "saw and pulse, forward loop, auto-vibrato, 16-bit", &lead},
        {"pluck", "plucked string, 8-bit", &pluck},
        {"bell", "two-operator FM bell, 8-bit", &bell},
        {"sweep", "band-passed noise loop for risers, 8-bit", &sweep},
    };
    return table;
}

const Recipe* findRecipe(const std::string& name) {
    for (const Recipe& recipe : recipes()) {
        if (name == recipe.name) {
            return &recipe;
        }
    }
    return nullptr;
}

}  // namespace xmbuild
