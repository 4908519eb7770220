// Compares two renderings of one module (ours and a reference player's): length, overall level, the best
// alignment, RMS-envelope correlation and spectral similarity per 50 ms block, and where they drift apart.
// Usage: xmcompare OURS.wav REFERENCE.wav [LABEL]
//        xmcompare --score A.wav B.wav   one line: the mean spectral similarity at the best alignment
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "wav_file.h"

namespace {

using xmcompare::WavFile;

constexpr double kBlockSeconds = 0.05;
constexpr std::size_t kFftSize = 2048;
constexpr double kHopSeconds = 0.005;  // envelope resolution for the alignment search
constexpr double kSilence = 1e-4;      // RMS below this counts as silence

// In-place iterative radix-2 FFT.
void fft(std::vector<std::complex<double>>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> w(1.0, 0.0);
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> u = a[i + k];
                const std::complex<double> v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

std::vector<double> monoOf(const WavFile& wav) {
    std::vector<double> mono(wav.frames());
    for (std::size_t i = 0; i < mono.size(); ++i) {
        mono[i] = wav.mono(i);
    }
    return mono;
}

// RMS of `count` frames from `start` (frames outside the signal count as silence).
double rms(const std::vector<double>& x, std::ptrdiff_t start, std::size_t count) {
    double sum = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::ptrdiff_t at = start + static_cast<std::ptrdiff_t>(i);
        if (at >= 0 && at < static_cast<std::ptrdiff_t>(x.size())) {
            sum += x[static_cast<std::size_t>(at)] * x[static_cast<std::size_t>(at)];
        }
    }
    return std::sqrt(sum / static_cast<double>(count));
}

double dB(double value) {
    return 20.0 * std::log10(std::max(value, 1e-9));
}

std::vector<double> envelope(const std::vector<double>& x, std::size_t hop) {
    std::vector<double> env;
    for (std::size_t start = 0; start + hop <= x.size(); start += hop) {
        env.push_back(rms(x, static_cast<std::ptrdiff_t>(start), hop));
    }
    return env;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b, std::ptrdiff_t lag,
                   std::size_t from, std::size_t to) {
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    std::size_t n = 0;
    for (std::size_t i = from; i < to && i < a.size(); ++i) {
        const std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i) + lag;
        if (j < 0 || j >= static_cast<std::ptrdiff_t>(b.size())) {
            continue;
        }
        const double x = a[i];
        const double y = b[static_cast<std::size_t>(j)];
        sa += x;
        sb += y;
        saa += x * x;
        sbb += y * y;
        sab += x * y;
        ++n;
    }
    if (n < 2) {
        return 0.0;
    }
    const double cov = sab - sa * sb / static_cast<double>(n);
    const double va = saa - sa * sa / static_cast<double>(n);
    const double vb = sbb - sb * sb / static_cast<double>(n);
    return va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : 0.0;
}

// The lag (in envelope hops, reference minus ours) with the best envelope correlation in [from, to).
std::ptrdiff_t bestLag(const std::vector<double>& a, const std::vector<double>& b, std::ptrdiff_t range,
                       std::size_t from, std::size_t to, double& best) {
    std::ptrdiff_t lag = 0;
    best = -2.0;
    for (std::ptrdiff_t l = -range; l <= range; ++l) {
        const double c = correlation(a, b, l, from, to);
        if (c > best) {
            best = c;
            lag = l;
        }
    }
    return lag;
}

std::vector<double> magnitudes(const std::vector<double>& x, std::ptrdiff_t start) {
    std::vector<std::complex<double>> buffer(kFftSize);
    for (std::size_t i = 0; i < kFftSize; ++i) {
        const std::ptrdiff_t at = start + static_cast<std::ptrdiff_t>(i);
        const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / kFftSize);
        const bool inside = at >= 0 && at < static_cast<std::ptrdiff_t>(x.size());
        const double value = inside ? x[static_cast<std::size_t>(at)] : 0.0;
        buffer[i] = value * window;
    }
    fft(buffer);
    std::vector<double> result(kFftSize / 2);
    for (std::size_t i = 0; i < result.size(); ++i) {
        result[i] = std::abs(buffer[i]);
    }
    return result;
}

double cosine(const std::vector<double>& a, const std::vector<double>& b) {
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ab += a[i] * b[i];
        aa += a[i] * a[i];
        bb += b[i] * b[i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

struct BlockFigures {
    std::vector<double> oursRms, refRms, similarity;  // per 50 ms block; similarity < 0 = both silent
};

BlockFigures compareBlocks(const std::vector<double>& ours, const std::vector<double>& ref, std::ptrdiff_t lag,
                           std::size_t block) {
    BlockFigures f;
    const std::size_t blocks = std::min(ours.size(), ref.size()) / block;
    for (std::size_t k = 0; k < blocks; ++k) {
        const auto start = static_cast<std::ptrdiff_t>(k * block);
        const double a = rms(ours, start, block);
        const double b = rms(ref, start + lag, block);
        f.oursRms.push_back(a);
        f.refRms.push_back(b);
        if (a < kSilence && b < kSilence) {
            f.similarity.push_back(-1.0);
        } else {
            f.similarity.push_back(cosine(magnitudes(ours, start), magnitudes(ref, start + lag)));
        }
    }
    return f;
}

// Sample correlation of the side signals (left - right) at a lag: near +1 the stereo images agree, near -1
// one rendering has left and right swapped.
double sideCorrelation(const WavFile& ours, const WavFile& ref, std::ptrdiff_t lag) {
    if (ours.channels != 2 || ref.channels != 2) {
        return 0.0;
    }
    std::vector<double> a, b;
    for (std::size_t i = 0; i < ours.frames(); ++i) {
        const std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i) + lag;
        if (j < 0 || j >= static_cast<std::ptrdiff_t>(ref.frames())) {
            continue;
        }
        a.push_back(ours.samples[2 * i] - ours.samples[2 * i + 1]);
        b.push_back(ref.samples[2 * static_cast<std::size_t>(j)] - ref.samples[2 * static_cast<std::size_t>(j) + 1]);
    }
    return correlation(a, b, 0, 0, a.size());
}

double pearson(const std::vector<double>& a, const std::vector<double>& b) {
    return correlation(a, b, 0, 0, a.size());
}

// How alike two renderings sound, 0..1: the mean spectral cosine similarity of their 50 ms blocks (blocks
// silent in both left out) at the alignment where their 5 ms envelopes correlate best.
double score(const WavFile& aWav, const WavFile& bWav) {
    const std::vector<double> a = monoOf(aWav);
    const std::vector<double> b = monoOf(bWav);
    const auto hop = static_cast<std::size_t>(kHopSeconds * aWav.rate);
    const std::vector<double> envA = envelope(a, hop);
    const std::vector<double> envB = envelope(b, hop);
    double best = 0;
    const std::ptrdiff_t lagHops =
        bestLag(envA, envB, static_cast<std::ptrdiff_t>(1.0 / kHopSeconds), 0, envA.size(), best);
    const BlockFigures f = compareBlocks(a, b, lagHops * static_cast<std::ptrdiff_t>(hop),
                                         static_cast<std::size_t>(kBlockSeconds * aWav.rate));
    double sum = 0;
    std::size_t counted = 0;
    for (double s : f.similarity) {
        if (s >= 0) {
            sum += s;
            ++counted;
        }
    }
    return counted != 0 ? sum / static_cast<double>(counted) : 1.0;
}

void report(const std::string& label, const WavFile& oursWav, const WavFile& refWav) {
    const std::vector<double> ours = monoOf(oursWav);
    const std::vector<double> ref = monoOf(refWav);
    const double rate = oursWav.rate;
    const auto block = static_cast<std::size_t>(kBlockSeconds * rate);
    const auto hop = static_cast<std::size_t>(kHopSeconds * rate);
    std::printf("== %s\n", label.c_str());
    const double oursSeconds = static_cast<double>(ours.size()) / rate;
    const double refSeconds = static_cast<double>(ref.size()) / refWav.rate;
    std::printf("length: ours %.3f s, reference %.3f s, difference %+.3f s\n", oursSeconds, refSeconds,
                oursSeconds - refSeconds);
    const double oursLevel = dB(rms(ours, 0, ours.size()));
    const double refLevel = dB(rms(ref, 0, ref.size()));
    std::printf("level: ours %.2f dBFS, reference %.2f dBFS, difference %+.2f dB\n", oursLevel, refLevel,
                oursLevel - refLevel);

    const std::vector<double> envOurs = envelope(ours, hop);
    const std::vector<double> envRef = envelope(ref, hop);
    double best = 0;
    const std::ptrdiff_t lagHops = bestLag(envOurs, envRef, static_cast<std::ptrdiff_t>(1.0 / kHopSeconds), 0,
                                           envOurs.size(), best);
    const auto lag = static_cast<std::ptrdiff_t>(lagHops) * static_cast<std::ptrdiff_t>(hop);
    std::printf("alignment: reference lags ours by %+.1f ms (5 ms envelope correlation %.4f there)\n",
                static_cast<double>(lag) * 1000.0 / rate, best);

    std::printf("stereo: side (left - right) correlation %+.4f (-1 = left and right swapped)\n",
                sideCorrelation(oursWav, refWav, lag));
    std::vector<std::ptrdiff_t> shifts = {0};
    if (lag != 0) {
        shifts.push_back(lag);
    }
    for (const std::ptrdiff_t shift : shifts) {
        const BlockFigures f = compareBlocks(ours, ref, shift, block);
        double sum = 0;
        std::size_t counted = 0, high = 0;
        for (double s : f.similarity) {
            if (s >= 0) {
                sum += s;
                ++counted;
                high += s >= 0.9 ? 1 : 0;
            }
        }
        std::printf("at lag %+.1f ms: 50 ms RMS envelope correlation %.4f; spectral cosine similarity mean %.4f "
                    "over %zu blocks, %.1f%% of blocks >= 0.9\n",
                    static_cast<double>(shift) * 1000.0 / rate, pearson(f.oursRms, f.refRms),
                    counted ? sum / static_cast<double>(counted) : 0.0, counted,
                    counted ? 100.0 * static_cast<double>(high) / static_cast<double>(counted) : 0.0);
        if (shift != lag) {
            continue;
        }
        // Per-second view at the best lag, to see where the two part ways.
        const std::size_t perSecond = static_cast<std::size_t>(1.0 / kBlockSeconds);
        std::printf("  second  level diff dB  spectral sim  local lag ms\n");
        for (std::size_t s = 0; s * perSecond < f.similarity.size(); ++s) {
            double a = 0, b = 0, sim = 0;
            std::size_t n = 0, simN = 0;
            for (std::size_t k = s * perSecond; k < std::min(f.similarity.size(), (s + 1) * perSecond); ++k) {
                a += f.oursRms[k] * f.oursRms[k];
                b += f.refRms[k] * f.refRms[k];
                ++n;
                if (f.similarity[k] >= 0) {
                    sim += f.similarity[k];
                    ++simN;
                }
            }
            double localBest = 0;
            const std::size_t from = s * static_cast<std::size_t>(1.0 / kHopSeconds);
            const std::ptrdiff_t local = bestLag(envOurs, envRef, static_cast<std::ptrdiff_t>(0.3 / kHopSeconds),
                                                 from, from + static_cast<std::size_t>(1.0 / kHopSeconds), localBest);
            std::printf("  %6zu  %+11.2f  %12.4f  %+12.1f\n", s, dB(std::sqrt(a / n)) - dB(std::sqrt(b / n)),
                        simN ? sim / static_cast<double>(simN) : -1.0,
                        static_cast<double>(local * static_cast<std::ptrdiff_t>(hop)) * 1000.0 / rate);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool scoreOnly = argc == 4 && std::string(argv[1]) == "--score";
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: xmcompare OURS.wav REFERENCE.wav [LABEL]\n       xmcompare --score A.wav B.wav\n");
        return 2;
    }
    const int first = scoreOnly ? 2 : 1;
    std::string error;
    const WavFile ours = xmcompare::readWav(argv[first], error);
    const WavFile ref = error.empty() ? xmcompare::readWav(argv[first + 1], error) : WavFile{};
    if (!error.empty()) {
        std::fprintf(stderr, "xmcompare: %s\n", error.c_str());
        return 1;
    }
    if (ours.rate != ref.rate) {
        std::fprintf(stderr, "xmcompare: sample rates differ (%d and %d)\n", ours.rate, ref.rate);
        return 1;
    }
    if (scoreOnly) {
        std::printf("%.4f\n", score(ours, ref));
        return 0;
    }
    report(argc == 4 ? argv[3] : argv[1], ours, ref);
    return 0;
}
