// fontconfig queries: the font for the face asked for, or the sans-serif default when neither the face
// nor one of its metric-compatible replacements (Liberation Sans for Arial) is installed.
#include "platform/freetype/font_lookup.h"

#include <fontconfig/fontconfig.h>

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

struct Match {
    Pattern request;  // the request after fontconfig's substitutions
    Pattern font;     // the best font for it, or null
};

// The best match for family at weight: scalable, upright.
Match match(const std::string& family, std::int32_t weight) {
    Match result{Pattern(FcPatternCreate()), nullptr};
    if (result.request == nullptr) {
        return result;
    }
    FcPattern* request = result.request.get();
    FcPatternAddString(request, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    // Windows weight 0 means "don't care": regular.
    FcPatternAddInteger(request, FC_WEIGHT, FcWeightFromOpenType(weight > 0 ? weight : 400));
    FcPatternAddInteger(request, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(request, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, request, FcMatchPattern);
    FcDefaultSubstitute(request);
    FcResult outcome = FcResultNoMatch;
    result.font.reset(FcFontMatch(nullptr, request, &outcome));
    return result;
}

std::string stringOf(const FcPattern& pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(&pattern, object, 0, &value) != FcResultMatch || value == nullptr) {
        return {};
    }
    return reinterpret_cast<const char*>(value);
}

// Substitution binds the family asked for and its metric-compatible replacements (Liberation Sans for
// Arial) strongly, and appends the generic defaults weakly; the face counts as installed when the font
// found carries one of the strongly bound names.
bool foundAsAsked(const Match& m) {
    FcValue asked;
    FcValueBinding binding = FcValueBindingWeak;
    for (int i = 0; FcPatternGetWithBinding(m.request.get(), FC_FAMILY, i, &asked, &binding) == FcResultMatch; ++i) {
        if (binding == FcValueBindingWeak || asked.type != FcTypeString) {
            continue;
        }
        FcChar8* family = nullptr;
        for (int j = 0; FcPatternGetString(m.font.get(), FC_FAMILY, j, &family) == FcResultMatch; ++j) {
            if (FcStrCmpIgnoreCase(asked.u.s, family) == 0) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

bool findFontFile(const std::string& face, std::int32_t weight, FontFile& found, std::string& error) {
    if (FcInit() == FcFalse) {
        error = "fontconfig cannot be initialised";
        return false;
    }
    Match chosen = match(face, weight);
    found.substituted = face.empty() || chosen.font == nullptr || !foundAsAsked(chosen);
    // fontconfig already answers an unknown family with its sans-serif default; asking for that by name
    // makes the fallback explicit.
    if (found.substituted) {
        chosen = match("sans-serif", weight);
    }
    if (chosen.font == nullptr || stringOf(*chosen.font, FC_FILE).empty()) {
        error = "fontconfig finds no font for '" + face + "' nor a sans-serif one";
        return false;
    }
    found.path = stringOf(*chosen.font, FC_FILE);
    found.family = stringOf(*chosen.font, FC_FAMILY);
    int index = 0;
    FcPatternGetInteger(chosen.font.get(), FC_INDEX, 0, &index);
    found.index = index;
    return true;
}

}  // namespace freetype
