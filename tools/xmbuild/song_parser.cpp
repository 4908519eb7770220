// Song source reader. Tracks are kept as their source lines and expanded when a pattern uses them, so a
// track may use other tracks defined anywhere in the file.
#include "song_parser.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

namespace xmbuild {

namespace {

constexpr int kMaxUseDepth = 8;
constexpr unsigned kNoteField = 1;
constexpr unsigned kInstrumentField = 2;
constexpr unsigned kVolumeField = 4;
constexpr unsigned kEffectField = 8;

struct SourceLine {
    int number = 0;
    std::vector<std::string> words;
};

// Where a track's cells land: rows are offset + stretch x row; notes are transposed; set-volume values are
// scaled by percent. Cells of a used track that fall beyond the pattern's end are dropped.
struct Placement {
    int offset = 0;
    int transpose = 0;
    int stretch = 1;
    int scale = 100;
    int depth = 0;
    int instrument = 0;  // non-zero replaces the instrument of every cell
    bool clip = false;
};

struct CellWrite {
    xmwriter::Cell cell;
    unsigned fields = 0;
};

// A word starting with '#' starts a comment; a '#' inside a word is a sharp (C#4).
std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream stream(line);
    std::string word;
    while (stream >> word && word[0] != '#') {
        words.push_back(word);
    }
    return words;
}

bool parseInt(const std::string& text, int base, int& value) {
    if (text.empty()) {
        return false;
    }
    std::size_t used = 0;
    try {
        value = std::stoi(text, &used, base);
    } catch (const std::exception&) {
        return false;
    }
    return used == text.size();
}

int requireInt(const std::string& text, int base, int low, int high, const SourceLine& line, const char* what) {
    int value = 0;
    if (!parseInt(text, base, value) || value < low || value > high) {
        throw SongError(line.number, std::string("bad ") + what + " '" + text + "'");
    }
    return value;
}

bool isHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// Instrument numbers are written in upper-case hex, so "d3" stays a volume-column slide.
bool isUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

int effectDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return -1;
}

bool parseNote(const std::string& field, std::uint8_t& note) {
    static const char* const kNames = "C-C#D-D#E-F-F#G-G#A-A#B-";
    if (field == "===" || field == "off") {
        note = 97;
        return true;
    }
    if (field.size() != 3 || field[2] < '0' || field[2] > '7') {
        return false;
    }
    for (int semitone = 0; semitone < 12; ++semitone) {
        if (field[0] == kNames[2 * semitone] && field[1] == kNames[2 * semitone + 1]) {
            note = static_cast<std::uint8_t>((field[2] - '0') * 12 + semitone + 1);
            return true;
        }
    }
    return false;
}

bool looksLikeNote(const std::string& field) {
    return field == "===" || field == "off" ||
           (field.size() == 3 && field[0] >= 'A' && field[0] <= 'G' && (field[1] == '-' || field[1] == '#'));
}

// Reads one field of a cell; the field's kind follows from its shape.
bool parseField(const std::string& field, CellWrite& write, std::string& error) {
    if (field == "---" || field == ".." || field == "...") {
        return true;
    }
    if (looksLikeNote(field)) {
        if (!parseNote(field, write.cell.note)) {
            error = "bad note '" + field + "'";
            return false;
        }
        write.fields |= kNoteField;
        return true;
    }
    if (field.size() == 2 && isUpperHex(field[0]) && isUpperHex(field[1])) {
        const int number = std::stoi(field, nullptr, 16);
        if (number < 1 || number > 128) {
            error = "bad instrument '" + field + "'";
            return false;
        }
        write.cell.instrument = static_cast<std::uint8_t>(number);
        write.fields |= kInstrumentField;
        return true;
    }
    if (field.size() == 3 && field[0] == 'v' && isHex(field[1]) && isHex(field[2])) {
        const int volume = std::stoi(field.substr(1), nullptr, 16);
        if (volume > 0x40) {
            error = "volume above 40 in '" + field + "'";
            return false;
        }
        write.cell.volume = static_cast<std::uint8_t>(0x10 + volume);
        write.fields |= kVolumeField;
        return true;
    }
    if (field.size() == 2 && (field[0] == 'd' || field[0] == 'p') && isHex(field[1])) {
        const int amount = std::stoi(field.substr(1), nullptr, 16);
        write.cell.volume = static_cast<std::uint8_t>((field[0] == 'd' ? 0x60 : 0xC0) + amount);
        write.fields |= kVolumeField;
        return true;
    }
    if (field.size() == 3 && effectDigit(field[0]) >= 0 && isHex(field[1]) && isHex(field[2])) {
        write.cell.effect = static_cast<std::uint8_t>(effectDigit(field[0]));
        write.cell.parameter = static_cast<std::uint8_t>(std::stoi(field.substr(1), nullptr, 16));
        write.fields |= kEffectField;
        return true;
    }
    error = "unknown cell field '" + field + "'";
    return false;
}

// "12", "0-63/4", "0,8,40-47/2": the rows a cell goes to.
std::vector<int> parseRows(const std::string& text, const SourceLine& line) {
    std::vector<int> rows;
    std::istringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        int step = 1;
        const std::size_t slash = item.find('/');
        if (slash != std::string::npos) {
            step = requireInt(item.substr(slash + 1), 10, 1, 256, line, "row step");
            item = item.substr(0, slash);
        }
        const std::size_t dash = item.find('-');
        const int first = requireInt(item.substr(0, dash), 10, 0, 255, line, "row");
        const int last =
            dash == std::string::npos ? first : requireInt(item.substr(dash + 1), 10, first, 255, line, "row");
        for (int row = first; row <= last; row += step) {
            rows.push_back(row);
        }
    }
    if (rows.empty()) {
        throw SongError(line.number, "no rows in '" + text + "'");
    }
    return rows;
}

class Parser {
public:
    SongSource run(const std::string& text);

private:
    void readLine(const SourceLine& line);
    void readHeader(const SourceLine& line);
    void startPattern(const SourceLine& line);
    void finishPattern(const SourceLine& line);
    // Applies one track line (cells or a use) to a channel, placed as `placement` says.
    void applyTrackLine(const SourceLine& line, std::size_t first, int channel, const Placement& placement);
    void applyUse(const SourceLine& line, std::size_t first, int channel, const Placement& placement);
    void applySequence(const SourceLine& line, std::size_t first, int channel, const Placement& placement);
    void writeCell(const SourceLine& line, int row, int channel, CellWrite write, const Placement& placement);

    SongSource source_;
    std::map<std::string, std::vector<SourceLine>> tracks_;
    std::vector<SourceLine> blockLines_;
    std::string blockKind_;  // "", "track" or "pattern"
    std::string trackName_;
    SourceLine blockHeader_;
    std::map<int, xmwriter::Pattern> patterns_;
    xmwriter::Pattern* current_ = nullptr;  // the pattern being expanded
    std::vector<SourceLine> patternBlocks_;  // headers, expanded once all tracks are known
    std::vector<std::vector<SourceLine>> patternBodies_;
};

SongSource Parser::run(const std::string& text) {
    std::istringstream stream(text);
    std::string raw;
    int number = 0;
    while (std::getline(stream, raw)) {
        ++number;
        SourceLine line{number, splitWords(raw)};
        if (!line.words.empty()) {
            readLine(line);
        }
    }
    if (!blockKind_.empty()) {
        throw SongError(blockHeader_.number, blockKind_ + " without 'end'");
    }
    for (std::size_t i = 0; i < patternBlocks_.size(); ++i) {
        blockLines_ = patternBodies_[i];
        finishPattern(patternBlocks_[i]);
    }
    for (int i = 0; i < static_cast<int>(patterns_.size()); ++i) {
        if (patterns_.count(i) == 0) {
            throw SongError(0, "patterns are not numbered 00.. without gaps");
        }
        source_.song.patterns.push_back(patterns_[i]);
    }
    for (std::uint8_t order : source_.song.orders) {
        if (order >= patterns_.size()) {
            throw SongError(0, "order list names a missing pattern");
        }
    }
    for (std::size_t i = 0; i < source_.instruments.size(); ++i) {
        if (source_.instruments[i].number != static_cast<int>(i) + 1) {
            throw SongError(0, "instruments are not numbered 01.. without gaps");
        }
    }
    return source_;
}

void Parser::readLine(const SourceLine& line) {
    const std::string& keyword = line.words[0];
    if (blockKind_.empty()) {
        if (keyword == "track") {
            if (line.words.size() != 2 || tracks_.count(line.words[1]) != 0) {
                throw SongError(line.number, "track needs one new name");
            }
            blockKind_ = "track";
            trackName_ = line.words[1];
            blockHeader_ = line;
            blockLines_.clear();
        } else if (keyword == "pattern") {
            startPattern(line);
        } else {
            readHeader(line);
        }
        return;
    }
    if (keyword != "end") {
        blockLines_.push_back(line);
        return;
    }
    if (blockKind_ == "track") {
        tracks_[trackName_] = blockLines_;
    } else {
        patternBodies_.push_back(blockLines_);
    }
    blockKind_.clear();
}

void Parser::readHeader(const SourceLine& line) {
    const std::string& keyword = line.words[0];
    xmwriter::Song& song = source_.song;
    const auto single = [&](int low, int high) {
        if (line.words.size() != 2) {
            throw SongError(line.number, keyword + " needs one value");
        }
        return requireInt(line.words[1], 10, low, high, line, keyword.c_str());
    };
    if (keyword == "title") {
        song.name = line.words.size() > 1 ? line.words[1] : "";
        for (std::size_t i = 2; i < line.words.size(); ++i) {
            song.name += " " + line.words[i];
        }
    } else if (keyword == "channels") {
        song.channels = single(1, 32);
    } else if (keyword == "speed") {
        song.defaultSpeed = static_cast<std::uint16_t>(single(1, 31));
    } else if (keyword == "bpm") {
        song.defaultBpm = static_cast<std::uint16_t>(single(32, 255));
    } else if (keyword == "restart") {
        song.restartPosition = static_cast<std::uint16_t>(single(0, 255));
    } else if (keyword == "linear") {
        song.flags = static_cast<std::uint16_t>(single(0, 1));
    } else if (keyword == "orders") {
        for (std::size_t i = 1; i < line.words.size(); ++i) {
            song.orders.push_back(static_cast<std::uint8_t>(requireInt(line.words[i], 16, 0, 255, line, "order")));
        }
    } else if (keyword == "instrument") {
        // instrument NN RECIPE [volume XX] [panning XX], values in hex as the patterns write them
        if (line.words.size() < 3 || line.words.size() % 2 == 0) {
            throw SongError(line.number, "instrument needs a number, a recipe and option pairs");
        }
        InstrumentSlot slot{requireInt(line.words[1], 16, 1, 128, line, "instrument"), line.words[2]};
        for (std::size_t i = 3; i < line.words.size(); i += 2) {
            if (line.words[i] == "volume") {
                slot.volume = requireInt(line.words[i + 1], 16, 0, 0x40, line, "volume");
            } else if (line.words[i] == "panning") {
                slot.panning = requireInt(line.words[i + 1], 16, 0, 0xFF, line, "panning");
            } else {
                throw SongError(line.number, "unknown instrument option '" + line.words[i] + "'");
            }
        }
        source_.instruments.push_back(slot);
    } else {
        throw SongError(line.number, "unknown keyword '" + keyword + "'");
    }
}

void Parser::startPattern(const SourceLine& line) {
    if (line.words.size() != 4 || line.words[2] != "rows") {
        throw SongError(line.number, "expected 'pattern NN rows R'");
    }
    blockKind_ = "pattern";
    blockHeader_ = line;
    blockLines_.clear();
    patternBlocks_.push_back(line);
}

void Parser::finishPattern(const SourceLine& header) {
    const int number = requireInt(header.words[1], 16, 0, 255, header, "pattern number");
    const int rows = requireInt(header.words[3], 10, 1, 256, header, "row count");
    if (patterns_.count(number) != 0) {
        throw SongError(header.number, "pattern " + header.words[1] + " defined twice");
    }
    patterns_[number] = xmwriter::Pattern(rows, source_.song.channels);
    current_ = &patterns_[number];
    for (const SourceLine& line : blockLines_) {
        const int channel = requireInt(line.words[0], 10, 1, source_.song.channels, line, "channel");
        applyTrackLine(line, 1, channel - 1, Placement{});
    }
    current_ = nullptr;
}

void Parser::applyTrackLine(const SourceLine& line, std::size_t first, int channel, const Placement& placement) {
    if (line.words.size() <= first) {
        throw SongError(line.number, "empty track line");
    }
    if (line.words[first] == "use") {
        applyUse(line, first, channel, placement);
        return;
    }
    if (line.words[first] == "seq") {
        applySequence(line, first, channel, placement);
        return;
    }
    CellWrite write;
    std::string error;
    for (std::size_t i = first + 1; i < line.words.size(); ++i) {
        if (!parseField(line.words[i], write, error)) {
            throw SongError(line.number, error);
        }
    }
    for (int row : parseRows(line.words[first], line)) {
        writeCell(line, placement.offset + placement.stretch * row, channel, write, placement);
    }
}

// use NAME [at ROW] [transpose SEMITONES] [times COUNT every ROWS] [stretch FACTOR] [scale PERCENT]
//     [instrument NN]
void Parser::applyUse(const SourceLine& line, std::size_t first, int channel, const Placement& placement) {
    if (placement.depth >= kMaxUseDepth) {
        throw SongError(line.number, "tracks use each other too deeply");
    }
    if (line.words.size() < first + 2 || tracks_.count(line.words[first + 1]) == 0) {
        throw SongError(line.number, "use needs a defined track");
    }
    int at = 0;
    int times = 1;
    int every = 0;
    Placement inner = placement;
    inner.depth += 1;
    inner.clip = true;
    for (std::size_t i = first + 2; i < line.words.size(); i += 2) {
        if (i + 1 >= line.words.size()) {
            throw SongError(line.number, "'" + line.words[i] + "' needs a value");
        }
        const std::string& key = line.words[i];
        const std::string& value = line.words[i + 1];
        if (key == "at") {
            at = requireInt(value, 10, 0, 255, line, "row");
        } else if (key == "transpose") {
            inner.transpose += requireInt(value, 10, -48, 48, line, "transposition");
        } else if (key == "times") {
            times = requireInt(value, 10, 1, 64, line, "repeat count");
        } else if (key == "every") {
            every = requireInt(value, 10, 1, 256, line, "repeat distance");
        } else if (key == "stretch") {
            inner.stretch *= requireInt(value, 10, 1, 8, line, "stretch");
        } else if (key == "instrument") {
            inner.instrument = requireInt(value, 16, 1, 128, line, "instrument");
        } else if (key == "scale") {
            inner.scale = inner.scale * requireInt(value, 10, 0, 200, line, "scale") / 100;
        } else {
            throw SongError(line.number, "unknown use option '" + key + "'");
        }
    }
    if (times > 1 && every == 0) {
        throw SongError(line.number, "times needs every");
    }
    for (int k = 0; k < times; ++k) {
        Placement repeat = inner;
        repeat.offset = placement.offset + placement.stretch * (at + k * every);
        for (const SourceLine& innerLine : tracks_.at(line.words[first + 1])) {
            applyTrackLine(innerLine, 0, channel, repeat);
        }
    }
}

// seq START/STEP NOTE NOTE ...: notes only, one every STEP rows; "---" leaves a step empty.
void Parser::applySequence(const SourceLine& line, std::size_t first, int channel, const Placement& placement) {
    if (line.words.size() < first + 3) {
        throw SongError(line.number, "seq needs START/STEP and notes");
    }
    const std::string& timing = line.words[first + 1];
    const std::size_t slash = timing.find('/');
    if (slash == std::string::npos) {
        throw SongError(line.number, "seq needs START/STEP");
    }
    const int start = requireInt(timing.substr(0, slash), 10, 0, 255, line, "row");
    const int step = requireInt(timing.substr(slash + 1), 10, 1, 256, line, "step");
    for (std::size_t i = first + 2; i < line.words.size(); ++i) {
        CellWrite write;
        if (line.words[i] != "---") {
            if (!looksLikeNote(line.words[i]) || !parseNote(line.words[i], write.cell.note)) {
                throw SongError(line.number, "bad note '" + line.words[i] + "' in seq");
            }
            write.fields = kNoteField;
            const int row = start + step * static_cast<int>(i - first - 2);
            writeCell(line, placement.offset + placement.stretch * row, channel, write, placement);
        }
    }
}

void Parser::writeCell(const SourceLine& line, int row, int channel, CellWrite write, const Placement& placement) {
    if (row >= current_->rows) {
        if (placement.clip) {
            return;
        }
        throw SongError(line.number, "row " + std::to_string(row) + " beyond the pattern");
    }
    xmwriter::Cell& cell = current_->at(row, channel);
    if ((write.fields & kNoteField) != 0) {
        int note = write.cell.note;
        if (note >= 1 && note <= 96) {
            note += placement.transpose;
            if (note < 1 || note > 96) {
                throw SongError(line.number, "transposed note out of range");
            }
        }
        cell.note = static_cast<std::uint8_t>(note);
    }
    if ((write.fields & kInstrumentField) != 0) {
        cell.instrument = placement.instrument != 0 ? static_cast<std::uint8_t>(placement.instrument)
                                                    : write.cell.instrument;
    }
    if ((write.fields & kVolumeField) != 0) {
        cell.volume = write.cell.volume;
        if (cell.volume >= 0x10 && cell.volume <= 0x50 && placement.scale != 100) {
            const int scaled = ((cell.volume - 0x10) * placement.scale + 50) / 100;
            cell.volume = static_cast<std::uint8_t>(0x10 + std::min(scaled, 0x40));
        }
    }
    if ((write.fields & kEffectField) != 0) {
        cell.effect = write.cell.effect;
        cell.parameter = write.cell.parameter;
    }
}

}  // namespace

SongError::SongError(int line, const std::string& message)
    : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + message : message), line_(line) {}

SongSource parseSong(const std::string& text) {
    return Parser().run(text);
}

}  // namespace xmbuild
