// fontconfig queries: the face asked for and the sans-serif default, compared to tell whether the face
// (or one of its metric-compatible replacements, such as Liberation Sans for Arial) is installed.
#include "platform/freetype/font_lookup.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <memory>

// fontconfig 2.14 loses a few hundred bytes while FcInit parses its configuration files, and nothing
// can free them afterwards; sanitizer builds (tests, fuzzers) ask LeakSanitizer not to report them.
#if defined(__SANITIZE_ADDRESS__)
#define VELBRY_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELBRY_LEAK_CHECKED 1
#endif
#endif
#ifdef VELBRY_LEAK_CHECKED
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

namespace freetype {

namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

// The best match for family at weight: scalable, upright.
Pattern match(const std::string& family, std::int32_t weight) {
    Pattern pattern(FcPatternCreate());
    if (pattern == nullptr) {
        return nullptr;
    }
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    // Windows weight 0 means "don't care": regular.
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight > 0 ? weight : 400));
    FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    return Pattern(FcFontMatch(nullptr, pattern.get(), &result));
}

std::string stringOf(const FcPattern& pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(&pattern, object, 0, &value) != FcResultMatch || value == nullptr) {
        return {};
    }
    return reinterpret_cast<const char*>(value);
}

bool sameName(const std::string& a, const std::string& b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

bool findFontFile(const std::string& face, std::int32_t weight, FontFile& found, std::string& error) {
    if (FcInit() == FcFalse) {
        error = "fontconfig cannot be initialised";
        return false;
    }
    const Pattern generic = match("sans-serif", weight);
    const Pattern asked = face.empty() ? nullptr : match(face, weight);
    const Pattern& chosen = asked != nullptr ? asked : generic;
    if (chosen == nullptr || stringOf(*chosen, FC_FILE).empty()) {
        error = "fontconfig finds no font for '" + face + "'";
        return false;
    }
    found.path = stringOf(*chosen, FC_FILE);
    found.family = stringOf(*chosen, FC_FAMILY);
    int index = 0;
    FcPatternGetInteger(chosen.get(), FC_INDEX, 0, &index);
    found.index = index;
    // fontconfig answers every unknown family with its sans-serif default; a face counts as installed
    // when its match is something else, or is that default by name.
    const bool sameAsGeneric = generic != nullptr && stringOf(*generic, FC_FILE) == found.path;
    found.substituted = face.empty() || (sameAsGeneric && !sameName(found.family, face));
    return true;
}

}  // namespace freetype
