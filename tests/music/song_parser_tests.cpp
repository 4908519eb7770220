// The soundtrack builder: the song source notation, its track placement rules and errors, and the
// instrument recipes and their tuning.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "instruments.h"
#include "song_parser.h"

namespace xmbuild {
namespace {

const std::string kHeader =
    "channels 2\nspeed 6\nbpm 160\nrestart 0\norders 00\ninstrument 01 kick\ninstrument 02 bell volume 20\n";

SongSource parse(const std::string& body) {
    return parseSong(kHeader + body);
}

// The line number that parsing `body` fails at, counted from the header's first line; 0 if it succeeds.
int errorLine(const std::string& body) {
    try {
        parse(body);
    } catch (const SongError& error) {
        return error.line();
    }
    return 0;
}

TEST(SongSource, CellFieldsInTrackerNotation) {
    const SongSource source = parse(
        "pattern 00 rows 16   # comment\n"
        "  1 0 C#4 01 v40 A02\n"
        "  1 1 --- .. d3 ...\n"
        "  2 2 off .. pC E93\n"
        "  2 3 B-7 02 v00 G40\n"
        "end\n");
    ASSERT_EQ(source.song.patterns.size(), 1u);
    const xmwriter::Pattern& p = source.song.patterns[0];
    EXPECT_EQ(p.rows, 16);
    const xmwriter::Cell& a = p.at(0, 0);
    EXPECT_EQ(a.note, 50);  // C#4: octave 4 x 12 + 1, 1-based
    EXPECT_EQ(a.instrument, 1);
    EXPECT_EQ(a.volume, 0x50);
    EXPECT_EQ(a.effect, 10);
    EXPECT_EQ(a.parameter, 2);
    EXPECT_EQ(p.at(1, 0).volume, 0x63);
    EXPECT_EQ(p.at(1, 0).note, 0);
    EXPECT_EQ(p.at(2, 1).note, 97);
    EXPECT_EQ(p.at(2, 1).volume, 0xCC);
    EXPECT_EQ(p.at(2, 1).effect, 14);
    EXPECT_EQ(p.at(2, 1).parameter, 0x93);
    EXPECT_EQ(p.at(3, 1).note, 96);
    EXPECT_EQ(p.at(3, 1).volume, 0x10);
    EXPECT_EQ(p.at(3, 1).effect, 16);
    ASSERT_EQ(source.instruments.size(), 2u);
    EXPECT_EQ(source.instruments[1].recipe, "bell");
    EXPECT_EQ(source.instruments[1].volume, 0x20);
    EXPECT_EQ(source.instruments[0].volume, -1);
}

TEST(SongSource, TracksArePlacedShiftedTransposedStretchedAndScaled) {
    const SongSource source = parse(
        "track riff\n"
        "  0 A-4 01 v40\n"
        "  2 C-5 01 v20 401\n"
        "end\n"
        "track twice\n"
        "  use riff times 2 every 4\n"
        "end\n"
        "pattern 00 rows 16\n"
        "  1 use twice at 1 transpose -12 scale 50\n"
        "  2 use riff stretch 4 at 2 instrument 02\n"
        "  2 6 --- .. .. 8C0\n"
        "end\n");
    const xmwriter::Pattern& p = source.song.patterns[0];
    // Channel 1: the riff at rows 1 and 5, notes an octave down, volumes halved.
    for (int start : {1, 5}) {
        EXPECT_EQ(p.at(start, 0).note, 46) << start;
        EXPECT_EQ(p.at(start, 0).volume, 0x30) << start;
        EXPECT_EQ(p.at(start + 2, 0).note, 49) << start;  // C-4
        EXPECT_EQ(p.at(start + 2, 0).volume, 0x20) << start;
    }
    EXPECT_EQ(p.at(9, 0).note, 0);
    // Channel 2: the riff's rows four times apart from row 2, the instrument replaced; the later line sets
    // only the effect of its row.
    EXPECT_EQ(p.at(2, 1).note, 58);
    EXPECT_EQ(p.at(2, 1).instrument, 2);
    EXPECT_EQ(p.at(10, 1).note, 61);
    EXPECT_EQ(p.at(10, 1).effect, 4);
    EXPECT_EQ(p.at(6, 1).note, 0);
    EXPECT_EQ(p.at(6, 1).effect, 8);
    EXPECT_EQ(p.at(6, 1).parameter, 0xC0);
    const SongSource clipped = parse("track long\n  0-31/8 C-4 01\nend\npattern 00 rows 16\n  1 use long\nend\n");
    EXPECT_EQ(clipped.song.patterns[0].at(8, 0).note, 49);
}

TEST(SongSource, SequencesWriteNotesOnly) {
    const SongSource source = parse(
        "pattern 00 rows 8\n"
        "  1 0-7/2 01 v10\n"
        "  1 seq 0/2 C-4 --- G#4 C-5\n"
        "end\n");
    const xmwriter::Pattern& p = source.song.patterns[0];
    EXPECT_EQ(p.at(0, 0).note, 49);
    EXPECT_EQ(p.at(2, 0).note, 0);
    EXPECT_EQ(p.at(2, 0).instrument, 1);
    EXPECT_EQ(p.at(4, 0).note, 57);
    EXPECT_EQ(p.at(6, 0).note, 61);
    EXPECT_EQ(p.at(6, 0).volume, 0x20);
}

TEST(SongSource, ErrorsNameTheLine) {
    const int first = 8;  // the body's first line
    EXPECT_EQ(errorLine("pattern 00 rows 4\n  1 0 C-4 01 x12\nend\n"), first + 1);
    EXPECT_EQ(errorLine("pattern 00 rows 4\n  1 4 C-4 01\nend\n"), first + 1);
    EXPECT_EQ(errorLine("pattern 00 rows 4\n  3 0 C-4 01\nend\n"), first + 1);
    EXPECT_EQ(errorLine("pattern 00 rows 4\n  1 0 C-4 01 v41\nend\n"), first + 1);
    EXPECT_EQ(errorLine("pattern 00 rows 4\n  1 use nothing\nend\n"), first + 1);
    EXPECT_EQ(errorLine("track t\n  0 B-7 01\nend\npattern 00 rows 4\n  1 use t transpose 1\nend\n"), first + 1);
    EXPECT_EQ(errorLine("track t\n  use t\nend\npattern 00 rows 4\n  1 use t\nend\n"), first + 1);
    EXPECT_EQ(errorLine("pattern 00 rows 4\n  1 0 C-4 01\n"), first);
    EXPECT_EQ(errorLine("tempo 3\n"), first);
    // Whole-song checks name no line.
    EXPECT_THROW(parse("pattern 01 rows 4\nend\n"), SongError);
    EXPECT_THROW(parseSong("channels 2\norders 01\npattern 00 rows 4\nend\n"), SongError);
}

TEST(Recipes, EveryRecipeBuildsOneSampleThatFitsItsFormat) {
    ASSERT_EQ(recipes().size(), 11u);
    for (const Recipe& recipe : recipes()) {
        const xmwriter::Instrument instrument = recipe.build();
        ASSERT_EQ(instrument.samples.size(), 1u) << recipe.name;
        const xmwriter::Sample& sample = instrument.samples[0];
        const int limit = sample.bits == 16 ? 32767 : 127;
        std::int32_t peak = 0;
        for (std::int32_t value : sample.frames) {
            peak = std::max(peak, std::abs(value));
        }
        EXPECT_LE(peak, limit) << recipe.name;
        EXPECT_GT(peak, limit / 2) << recipe.name;  // normalised, not silent
        EXPECT_LE(sample.loopStart + sample.loopLength, sample.frames.size()) << recipe.name;
        EXPECT_EQ(findRecipe(recipe.name), &recipe);
    }
    EXPECT_EQ(findRecipe("theremin"), nullptr);
}

TEST(Recipes, TuningExpressesTheRateThroughRelativeNoteAndEvenFinetune) {
    const Tuning plain = tuningFor(8363.0, 48);
    EXPECT_EQ(plain.relativeNote, 0);
    EXPECT_EQ(plain.finetune, 0);
    EXPECT_EQ(tuningFor(16726.0, 48).relativeNote, 12);
    EXPECT_EQ(tuningFor(8363.0, 57).relativeNote, -9);
    for (double rate : {11025.0, 14080.0, 22050.0, 33488.0}) {
        const Tuning tuning = tuningFor(rate, 45);
        EXPECT_EQ(tuning.finetune % 2, 0);
        // One finetune step of two is 1/64 semitone, about 0.09 %.
        EXPECT_NEAR(tuning.rate / rate, 1.0, 0.0005) << rate;
        const double semitones = tuning.relativeNote + tuning.finetune / 128.0 - 48 + 45;
        EXPECT_NEAR(8363.0 * std::pow(2.0, semitones / 12.0), tuning.rate, 1e-6);
    }
}

}  // namespace
}  // namespace xmbuild
