// Reads the song source: header settings, the order list, the instrument slots (recipe names) and the
// patterns, written as reusable channel tracks in tracker notation. data/song/README.md describes it.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "xm_writer.h"

namespace xmbuild {

struct InstrumentSlot {
    int number = 0;  // 1-based, as the patterns name it
    std::string recipe;
    int volume = -1;   // sample volume 0..64; -1 keeps the recipe's
    int panning = -1;  // sample panning 0..255; -1 keeps the recipe's
};

struct SongSource {
    xmwriter::Song song;  // everything but the instruments
    std::vector<InstrumentSlot> instruments;  // in slot order, numbered 1..n without gaps
};

class SongError : public std::runtime_error {
public:
    SongError(int line, const std::string& message);
    int line() const { return line_; }

private:
    int line_;
};

// Throws SongError, naming the line, for anything it cannot read.
SongSource parseSong(const std::string& text);

}  // namespace xmbuild
