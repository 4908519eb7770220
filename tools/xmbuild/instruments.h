// The instrument recipes of the soundtrack: each builds one XM instrument with one synthesised sample.
#pragma once

#include <string>
#include <vector>

#include "xm_writer.h"

namespace xmbuild {

struct Recipe {
    const char* name;
    const char* description;
    xmwriter::Instrument (*build)();
};

// The recipes in a fixed order; the song source picks them by name.
const std::vector<Recipe>& recipes();
// Null when no recipe has that name.
const Recipe* findRecipe(const std::string& name);

// Relative note and finetune that make `baseNote` (0-based, C-4 = 48) play a sample at its written pitch,
// and the sample rate that this pair stands for. Finetune steps are even because the linear period
// table halves the finetune.
struct Tuning {
    std::int8_t relativeNote = 0;
    std::int8_t finetune = 0;
    double rate = 8363.0;
};
Tuning tuningFor(double wantedRate, int baseNote);

}  // namespace xmbuild
