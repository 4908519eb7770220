// The sample scene script, record by record.
#include "sample_script.h"

#include <initializer_list>
#include <string_view>

#include "shell/class_table.h"
#include "support/script_writer.h"

namespace samplescript {
namespace {

using shell::ClassIndex;
using testsupport::EventWriter;

constexpr std::int32_t kOpaqueWhite = static_cast<std::int32_t>(0xFFFFFFFF);
constexpr std::int32_t kAllChannels = -1;
constexpr std::int32_t kBlendOver = 4;
constexpr std::int32_t kLinear = 1;

// Records with references by record number instead of by distance.
class Records {
public:
    testsupport::ScriptWriter& begin(ClassIndex index, std::int32_t& number) {
        number = count_++;
        return writer_.record(static_cast<std::int32_t>(index));
    }
    // The reference from the record being written to record number.
    std::int32_t back(std::int32_t number) const { return count_ - 2 - number; }
    testsupport::ScriptWriter& writer() { return writer_; }

private:
    testsupport::ScriptWriter writer_;
    std::int32_t count_ = 0;
};

std::vector<std::uint8_t> zeroTerminated(std::string_view text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

// A linear curve through (time, value) keys.
std::vector<std::uint8_t> curve(std::initializer_list<std::pair<float, float>> keys) {
    std::vector<std::uint8_t> blob;
    testsupport::appendI32LE(blob, static_cast<std::int32_t>(keys.size()));
    testsupport::appendI32LE(blob, 0);
    for (const auto& [time, value] : keys) {
        testsupport::appendF32LE(blob, time);
        testsupport::appendF32LE(blob, value);
    }
    return blob;
}

// A transparent canvas with white text on it, uploaded; the upload's record number.
std::int32_t textTexture(Records& records, std::int32_t log2Width, std::int32_t log2Height, std::string_view text,
                         std::int32_t x, std::int32_t y, std::int32_t height, std::int32_t weight) {
    std::int32_t canvas = 0;
    std::int32_t drawn = 0;
    std::int32_t upload = 0;
    records.begin(ClassIndex::Canvas, canvas).integer(log2Width).integer(log2Height).integer(0).end();
    records.begin(ClassIndex::Text, drawn)
        .ref(records.back(canvas)).integer(kAllChannels).integer(kOpaqueWhite).integer(kBlendOver)
        .integer(x).integer(y).data(zeroTerminated(text)).data(zeroTerminated("Arial")).integer(height)
        .integer(weight).real(0.0f).zero().integer(0).end();
    records.begin(ClassIndex::TextureUpload, upload).ref(records.back(drawn)).end();
    return upload;
}

// An overlay of the texture (or a flat colour without one) with an optional fade.
std::int32_t overlay(Records& records, std::int32_t uvScroll, std::int32_t fade, std::int32_t x, std::int32_t y,
                     std::int32_t width, std::int32_t height, std::int32_t image, std::int32_t colour,
                     bool fitContent) {
    std::int32_t number = 0;
    testsupport::ScriptWriter& writer = records.begin(ClassIndex::ScreenOverlay, number);
    uvScroll < 0 ? writer.zero() : writer.ref(records.back(uvScroll));
    fade < 0 ? writer.zero() : writer.ref(records.back(fade));
    writer.integer(x).integer(y).integer(width).integer(height);
    image < 0 ? writer.zero() : writer.ref(records.back(image));
    writer.integer(colour).integer(fitContent ? 1 : 0).end();
    return number;
}

}  // namespace

std::vector<std::uint8_t> sampleScript(std::span<const std::uint8_t> module, float endTime) {
    Records records;
    testsupport::ScriptWriter& w = records.writer();

    // The background: a blue-violet ramp brightened by grey noise, drifting slowly in a circle.
    std::int32_t rampCanvas = 0;
    std::int32_t ramp = 0;
    std::int32_t noiseCanvas = 0;
    std::int32_t noise = 0;
    std::int32_t combined = 0;
    std::int32_t background = 0;
    std::int32_t drift = 0;
    const auto black = static_cast<std::int32_t>(0xFF000000);
    records.begin(ClassIndex::Canvas, rampCanvas).integer(8).integer(8).integer(black).end();
    records.begin(ClassIndex::Gradient, ramp)
        .ref(records.back(rampCanvas)).integer(1).integer(static_cast<std::int32_t>(0xFF182070))
        .integer(static_cast<std::int32_t>(0xFF601850)).integer(0).integer(0).integer(0).integer(256)
        .integer(kAllChannels).real(1.0f).end();
    records.begin(ClassIndex::Canvas, noiseCanvas).integer(8).integer(8).integer(black).end();
    records.begin(ClassIndex::Noise, noise)
        .ref(records.back(noiseCanvas)).integer(64).real(1.0f).integer(2007).integer(kAllChannels).end();
    records.begin(ClassIndex::Combine, combined)
        .ref(records.back(ramp)).ref(records.back(noise)).integer(1).integer(0).real(0.35f).integer(kAllChannels)
        .end();
    records.begin(ClassIndex::TextureUpload, background).ref(records.back(combined)).end();
    records.begin(ClassIndex::OrbitPath, drift).integer(0).real(0.25f).real(0.0f).real(40.0f).end();

    const std::int32_t title = textTexture(records, 9, 7, "velbry2007", 24, 16, 96, 7);
    const std::int32_t subtitle = textTexture(records, 9, 6, "invitation", 150, 8, 40, 4);
    const std::int32_t schedule = textTexture(records, 9, 7, "party\nsoon", 160, 4, 56, 7);

    std::int32_t fadeIn = 0;
    std::int32_t fadeOut = 0;
    records.begin(ClassIndex::ScalarCurve, fadeIn).integer(kLinear).blob(curve({{0.0f, 0.0f}, {3.0f, 1.0f}})).end();
    records.begin(ClassIndex::ScalarCurve, fadeOut).integer(kLinear).blob(curve({{0.0f, 0.0f}, {10.0f, 1.0f}})).end();

    std::int32_t clear = 0;
    records.begin(ClassIndex::ClearLayer, clear).integer(static_cast<std::int32_t>(0xFF080818)).integer(3).end();
    const std::int32_t backdrop = overlay(records, drift, -1, 0, 0, 800, 500, background, kOpaqueWhite, true);
    const std::int32_t bar =
        overlay(records, -1, fadeIn, 0, 400, 800, 40, -1, static_cast<std::int32_t>(0xA0FF8020), false);
    const std::int32_t titleLayer = overlay(records, -1, fadeIn, 144, 120, 512, 128, title, kOpaqueWhite, false);
    const std::int32_t subtitleLayer =
        overlay(records, -1, fadeIn, 144, 260, 512, 64, subtitle, kOpaqueWhite, false);
    const std::int32_t scheduleLayer =
        overlay(records, -1, fadeIn, 144, 150, 512, 128, schedule, kOpaqueWhite, false);
    const std::int32_t blackout =
        overlay(records, -1, fadeOut, 0, 0, 800, 500, -1, static_cast<std::int32_t>(0xFF000000), false);

    // Pool indices follow the list below.
    const auto events = EventWriter()
                            .insert(0.0f, 0, 0).insert(0.0f, 1, 1).insert(0.0f, 2, 2).insert(0.0f, 3, 3)
                            .insert(4.0f, 4, 4)
                            .remove(60.0f, 4).remove(60.0f, 3).insert(60.0f, 3, 5)
                            .insert(endTime - 10.0f, 4, 6)
                            .end()
                            .bytes();
    std::int32_t timeline = 0;
    std::int32_t music = 0;
    std::int32_t demo = 0;
    records.begin(ClassIndex::Timeline, timeline)
        .list({records.back(clear), records.back(backdrop), records.back(bar), records.back(titleLayer),
               records.back(subtitleLayer), records.back(scheduleLayer), records.back(blackout)})
        .blob(events)
        .end();
    records.begin(ClassIndex::Music, music).blob(module).end();
    records.begin(ClassIndex::Demo, demo).ref(records.back(timeline)).real(endTime).ref(records.back(music)).end();
    return w.finish();
}

}  // namespace samplescript
