// Registry of the scene-script classes: one const table per script.
#include "shell/class_table.h"

#include <array>

#include "music/music.h"
#include "sequence/timeline.h"
#include "texture/canvas.h"
#include "texture/combine.h"
#include "texture/gradient.h"
#include "texture/noise.h"
#include "texture/text.h"
#include "texture/texture_upload.h"

namespace shell {

namespace {

using graph::Constructor;

constexpr std::array<Constructor, kMainClassCount> makeMainTable() {
    std::array<Constructor, kMainClassCount> table{};
    table.fill(&graph::nullConstructor);
    table[static_cast<std::size_t>(ClassIndex::Canvas)] = &graph::construct<texture::makeCanvas>;
    table[static_cast<std::size_t>(ClassIndex::Gradient)] = &graph::construct<texture::makeGradient>;
    table[static_cast<std::size_t>(ClassIndex::TextureUpload)] = &graph::construct<texture::makeTextureUpload>;
    table[static_cast<std::size_t>(ClassIndex::Text)] = &graph::construct<texture::makeText>;
    table[static_cast<std::size_t>(ClassIndex::Combine)] = &graph::construct<texture::makeCombine>;
    table[static_cast<std::size_t>(ClassIndex::Noise)] = &graph::construct<texture::makeNoise>;
    table[static_cast<std::size_t>(ClassIndex::Timeline)] = &graph::construct<sequence::makeTimeline>;
    table[static_cast<std::size_t>(ClassIndex::Music)] = &graph::construct<music::makeMusic>;
    return table;
}

constexpr std::array<Constructor, kLoaderClassCount> makeLoaderTable() {
    std::array<Constructor, kLoaderClassCount> table{};
    table.fill(&graph::nullConstructor);
    // The loader script's own numbering.
    table[1] = &graph::construct<texture::makeCanvas>;
    table[3] = &graph::construct<texture::makeTextureUpload>;
    table[7] = &graph::construct<texture::makeText>;
    table[10] = &graph::construct<sequence::makeTimeline>;
    return table;
}

constexpr std::array<Constructor, kMainClassCount> kMainTable = makeMainTable();
constexpr std::array<Constructor, kLoaderClassCount> kLoaderTable = makeLoaderTable();

}  // namespace

graph::ClassTable mainClassTable() { return kMainTable; }

graph::ClassTable loaderClassTable() { return kLoaderTable; }

}  // namespace shell
