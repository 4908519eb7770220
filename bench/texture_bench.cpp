// Texture benchmarks: the presentation's kind of texture set built through the class table, and each
// operator alone, so that the load-time cost of textures and where it goes can be read off.
//
//   BM_MemcpyFrame        the reference: one memcpy of an 800 x 500 frame of 32-bit pixels.
//   BM_TextureSet         a script like the presentation's textures: a 32 x 32 ring sprite; 512 x 256,
//                         512 x 128, 512 x 64 and 256 x 256 title canvases with bold and regular texts
//                         of 18 to 183 px; three 1024 x 128 paragraphs of four lines; two 128 x 512
//                         strips with turned bold text; a procedural 512 x 256 tint of two gradients
//                         and white noise combined; a gradient-and-noise 512 x 256 backdrop; each
//                         canvas uploaded through the software device (16 uploads).
//   BM_Gradient/kind/exp  one gradient over 512 x 256, all four channels; exp 1 is the shaped ramp's
//                         fast path, exp 2 pays for pow().
//   BM_Noise/cell         one noise over 512 x 256, blue, green and red; cell 1 is white noise.
//   BM_Combine/mode       256 x 256 with 512 x 256 (the smaller one resampled), mode 1 add or 5 blend.
//   BM_Text/angle         four lines of 21 px text on 1024 x 128, or 30 px text turned upwards on 128 x 512.
//   BM_Upload             one 1024 x 128 canvas uploaded through the software device.
//
// Every benchmark runs 9 repetitions; read the *_median rows. Time is the wall time of one build (or
// operator call); x_memcpy is that time as a multiple of a frame memcpy timed in the same process.
// BM_TextureSet also shows where its time goes: canvas_ms, gradient_ms, ... are the milliseconds one
// build spends in the records of each class (allocation and fill for canvases, device texture creation
// and copy for uploads).
// Run: build/release/bench/texture_bench (add --benchmark_filter=TextureSet for the whole set only).
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device/device_state.h"
#include "frame_reference.h"
#include "graph/graph_builder.h"
#include "platform/font_factory.h"
#include "platform/soft/soft_direct3d.h"
#include "shell/class_table.h"
#include "support/script_writer.h"
#include "texture/combine.h"
#include "texture/gradient.h"
#include "texture/noise.h"
#include "texture/text.h"
#include "texture/texture_upload.h"

namespace {

using bench::timeAgainstMemcpy;
using shell::ClassIndex;
using testsupport::ScriptWriter;

constexpr int kRepetitions = 9;

int classOf(ClassIndex index) { return static_cast<int>(index); }

std::vector<std::uint8_t> zeroTerminated(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

// The process's device is a software device while a benchmark that uploads runs.
class SoftDevice {
public:
    SoftDevice() {
        device::DeviceState& state = device::deviceState();
        state.direct3D = device::DeviceRef<device::IDirect3D9>::adopt(soft::createSoftDirect3D());
        device::D3DPRESENT_PARAMETERS parameters{};
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = device::D3DSWAPEFFECT_DISCARD;
        parameters.Windowed = device::TRUE;
        state.direct3D->CreateDevice(device::D3DADAPTER_DEFAULT, device::D3DDEVTYPE_HAL, nullptr,
                                     device::D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, state.device.out());
    }
    ~SoftDevice() { device::resetDeviceState(); }
    SoftDevice(const SoftDevice&) = delete;
    SoftDevice& operator=(const SoftDevice&) = delete;
};

// Writes canvas, operators and upload records; every operator works on the previous record's canvas.
class TextureScript {
public:
    TextureScript& canvas(int log2Width, int log2Height, std::uint32_t fill) {
        record(ClassIndex::Canvas).integer(log2Width).integer(log2Height)
            .integer(static_cast<std::int32_t>(fill)).end();
        return *this;
    }
    TextureScript& gradient(int kind, std::uint32_t c1, std::uint32_t c2, int x0, int x1, int y1, int channel,
                            float exponent) {
        record(ClassIndex::Gradient).ref(0).integer(kind).integer(static_cast<std::int32_t>(c1))
            .integer(static_cast<std::int32_t>(c2)).integer(x0).zero().integer(x1).integer(y1).integer(channel)
            .real(exponent).end();
        return *this;
    }
    TextureScript& noise(int cell, float contrast, int seed, int channel) {
        record(ClassIndex::Noise).ref(0).integer(cell).real(contrast).integer(seed).integer(channel)
            .end();
        return *this;
    }
    TextureScript& text(const std::string& text, std::uint32_t colour, int x, int y, int height, int weight,
                        float angle = 0.0f) {
        record(ClassIndex::Text).ref(0).integer(-1).integer(static_cast<std::int32_t>(colour))
            .integer(4).integer(x).integer(y).data(zeroTerminated(text)).data(zeroTerminated("Arial"))
            .integer(height).integer(weight).real(angle).zero().integer(0).end();
        return *this;
    }
    // Combines the canvases of the records referenceA and referenceB back (0: the previous record).
    TextureScript& combine(int referenceA, int referenceB, int mode, int channel) {
        record(ClassIndex::Combine).ref(referenceA).ref(referenceB).integer(mode).integer(1)
            .real(1.0f).integer(channel).end();
        return *this;
    }
    TextureScript& upload() {
        record(ClassIndex::TextureUpload).ref(0).end();
        return *this;
    }
    std::vector<std::uint8_t> finish() const { return writer_.finish(); }
    // The class of every record, in script order.
    const std::vector<ClassIndex>& classes() const { return classes_; }

private:
    ScriptWriter& record(ClassIndex index) {
        classes_.push_back(index);
        return writer_.record(classOf(index));
    }

    ScriptWriter writer_;
    std::vector<ClassIndex> classes_;
};

const std::string kParagraph =
    "Velbry is a demoparty for everyone who makes real-time art on computers old and new.\r\n"
    "Three days of competitions, concerts and seminars, with a big screen and a good sound system.\r\n"
    "Bring your machine, your friends and your latest production; sleeping places are free.\r\n"
    "Entry, rules and travel hints are on the web page, updated as the party comes closer.";

TextureScript presentationLikeScript() {
    TextureScript s;
    s.canvas(5, 5, 0x00FFFFFF).gradient(0, 0xFFFFFFFF, 0x00FFFFFF, 4, 4, 12, 3, 1.0f).upload();
    s.canvas(9, 8, 0x00FFFFFF).text("Velbry", 0xFFFFFFFF, 10, 20, 183, 7).upload();
    s.canvas(9, 6, 0x00FFFFFF).text("the demoparty in the north, third edition", 0xFF808080, 4, 10, 24, 4).upload();
    s.canvas(8, 8, 0x00000000).text("2007", 0xFF000000, 4, 60, 128, 7).upload();
    s.canvas(9, 8, 0x00FFFFFF).text("Kelvarna", 0xFFFFFFFF, 8, 8, 80, 7).text("17 - 19 August", 0xFFFFFFFF, 8, 120, 40, 4)
        .upload();
    s.canvas(9, 7, 0x00000000).text("demoparty", 0xFF000000, 4, 40, 39, 7).upload();
    s.canvas(9, 7, 0x00FFFFFF).text("PC  AMIGA  C64", 0xFFFFFFFF, 4, 4, 104, 7).upload();
    for (int i = 0; i < 3; ++i) {
        s.canvas(10, 7, 0x00FFFFFF).text(kParagraph, 0xFFFFFFFF, 0, 0, 21, 4).upload();
    }
    s.canvas(7, 9, 0x00000000).text("INVITATION", 0xFF000000, 20, 500, 96, 7, 1.58f).upload();
    s.canvas(7, 9, 0x00000000).text("VELBRY2007", 0xFF000000, 100, 10, 96, 7, -1.57f).upload();
    s.canvas(9, 6, 0x00000000).text("code, music and graphics by the organisers", 0xFF000000, 4, 10, 25, 4).upload();
    s.canvas(9, 6, 0x00FFFFFF).text("greetings to every group that ever came", 0xFFFFFFFF, 4, 10, 18, 4).upload();
    // The tint: two ramps and white noise, combined.
    s.canvas(9, 8, 0xFF000000).gradient(1, 0xFF000000, 0xFFFFFFFF, 0, 512, 0, -1, 1.0f);
    s.canvas(9, 8, 0xFF000000).gradient(1, 0xFF000000, 0xFFFFFFFF, 0, 0, 256, -1, 1.0f);
    s.combine(2, 0, 0, -1);
    s.canvas(8, 8, 0xFF000000).noise(1, 0.0f, 6, -1);
    s.combine(2, 0, 5, -2).upload();
    // A backdrop with a shaped ring and gradient noise.
    s.canvas(9, 8, 0xFF000000).gradient(0, 0xFFFFC040, 0xFF102080, 40, 40, 80, -1, 1.5f).noise(32, 0.3f, 9, 3)
        .upload();
    return s;
}

void BM_TextureSet(benchmark::State& state) {
    platform::useSystemFontRenderer();
    SoftDevice device;
    const TextureScript texture = presentationLikeScript();
    const std::vector<std::uint8_t> script = texture.finish();
    // Where the time goes: the time up to each record's progress call, summed per class.
    std::map<ClassIndex, double> perClass;
    std::size_t record = 0;
    auto last = std::chrono::steady_clock::now();
    const graph::ProgressCallback progress = [&](std::int32_t) {
        const auto now = std::chrono::steady_clock::now();
        perClass[texture.classes()[record++]] += std::chrono::duration<double>(now - last).count();
        last = now;
    };
    // The presentation never frees its graph, so the previous build is torn down outside the timing.
    std::unique_ptr<graph::ObjectStore> store;
    double total = 0.0;
    for (auto _ : state) {
        store = std::make_unique<graph::ObjectStore>();
        record = 0;
        const auto start = std::chrono::steady_clock::now();
        last = start;
        const graph::BuildResult result = graph::buildGraph(script, shell::mainClassTable(), progress, *store);
        benchmark::DoNotOptimize(result.root);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        store.reset();
    }
    const double builds = static_cast<double>(state.iterations());
    state.counters["x_memcpy"] = total / builds / bench::memcpyFrameSeconds();
    const std::pair<ClassIndex, const char*> names[] = {
        {ClassIndex::Canvas, "canvas_ms"}, {ClassIndex::Gradient, "gradient_ms"}, {ClassIndex::Noise, "noise_ms"},
        {ClassIndex::Combine, "combine_ms"}, {ClassIndex::Text, "text_ms"}, {ClassIndex::TextureUpload, "upload_ms"}};
    for (const auto& [index, name] : names) {
        state.counters[name] = perClass[index] * 1000.0 / builds;
    }
}

void BM_Gradient(benchmark::State& state) {
    texture::Canvas canvas(512, 256, 0);
    const texture::Gradient gradient{texture::gradientKindFromScript(static_cast<std::int32_t>(state.range(0))),
                                     0xFF000000u, 0xFFFFFFFFu, 40, 20, 300, 200, -1,
                                     static_cast<float>(state.range(1))};
    timeAgainstMemcpy(state, [&] { texture::applyGradient(canvas, gradient); });
}

void BM_Noise(benchmark::State& state) {
    texture::Canvas canvas(512, 256, 0);
    const texture::Noise noise{static_cast<std::int32_t>(state.range(0)), 0.3f, 6, -1};
    timeAgainstMemcpy(state, [&] { texture::applyNoise(canvas, noise); });
}

void BM_Combine(benchmark::State& state) {
    texture::Canvas a(256, 256, 0x80402010u);
    texture::Canvas b(512, 256, 0xFF102030u);
    texture::Canvas result(512, 256, 0);
    const texture::Combine combine{texture::combineModeFromScript(static_cast<std::int32_t>(state.range(0))),
                                   texture::BlendMode::Over, 0.5f, -1};
    timeAgainstMemcpy(state, [&] { texture::combineInto(result, a, b, combine); });
}

void BM_Text(benchmark::State& state) {
    const bool turned = state.range(0) != 0;
    texture::Canvas canvas(turned ? 128 : 1024, turned ? 512 : 128, 0);
    const std::vector<std::uint8_t> text = zeroTerminated(turned ? "INVITATION" : kParagraph);
    texture::TextDrawing drawing;
    drawing.text = std::span<const std::uint8_t>(text).first(text.size() - 1);
    drawing.font = {"Arial", turned ? 30 : 21, turned ? 700 : 400, turned ? 905 : 0};
    drawing.y = turned ? 500 : 0;
    drawing.x = turned ? 20 : 0;
    texture::FontRenderer& renderer = platform::systemFontRenderer();
    timeAgainstMemcpy(state, [&] {
        std::string error;
        texture::drawText(canvas, renderer, drawing, error);
    });
}

void BM_Upload(benchmark::State& state) {
    SoftDevice device;
    texture::Canvas canvas(1024, 128, 0x80FFFFFFu);
    timeAgainstMemcpy(state, [&] {
        texture::TextureUpload upload(device::deviceState().device.get(), 1024, 128, 1024, 128, canvas.pixels().data());
        benchmark::DoNotOptimize(upload.texture());
    });
}

}  // namespace

BENCHMARK(bench::BM_MemcpyFrame)->UseManualTime()->Repetitions(kRepetitions)->ReportAggregatesOnly();
BENCHMARK(BM_TextureSet)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)
    ->ReportAggregatesOnly();
BENCHMARK(BM_Gradient)->ArgNames({"kind", "exp"})->Args({0, 1})->Args({1, 1})->Args({2, 2})->UseManualTime()
    ->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly();
BENCHMARK(BM_Noise)->ArgName("cell")->Arg(1)->Arg(32)->UseManualTime()->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)->ReportAggregatesOnly();
BENCHMARK(BM_Combine)->ArgName("mode")->Arg(1)->Arg(5)->UseManualTime()->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)->ReportAggregatesOnly();
BENCHMARK(BM_Text)->ArgName("turned")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)->ReportAggregatesOnly();
BENCHMARK(BM_Upload)->UseManualTime()->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)
    ->ReportAggregatesOnly();

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv); }
