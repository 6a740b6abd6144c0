#include "platform/sdl/font_finder.hpp"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <vector>

namespace vlr::platform {
namespace {

// Faces that programs written for Windows name and that fontconfig maps to
// metric-compatible free faces; a near miss of one of these is meant to be it.
const char* const well_known_faces[] = {
    "Arial",   "Helvetica", "Times New Roman", "Times",   "Courier New", "Courier",
    "Verdana", "Tahoma",    "Segoe UI",        "Calibri", "Cambria",     "Georgia",
};

std::string lower(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::vector<std::string> list_installed_families() {
    std::vector<std::string> families;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* family = nullptr;
            for (int n = 0;
                 FcPatternGetString(set->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n)
                families.push_back(reinterpret_cast<const char*>(family));
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return families;
}

const std::vector<std::string>& installed_families() {
    static std::once_flag once;
    static std::vector<std::string> families;
    std::call_once(once, [] { families = list_installed_families(); });
    return families;
}

// Windows weights 1..1000 onto fontconfig's scale; 0 ("don't care") is regular.
int fontconfig_weight(int weight) {
    if (weight <= 0) return FC_WEIGHT_REGULAR;
    return FcWeightFromOpenType(std::clamp(weight, 100, 1000));
}

}  // namespace

std::string nearest_family(const std::string& face) {
    const std::string wanted = lower(face);
    if (wanted.empty()) return face;
    for (const char* generic : {"sans-serif", "sans", "serif", "monospace", "mono", "system-ui"})
        if (wanted == generic) return face;
    std::string best;
    size_t best_distance = wanted.size() / 4 + 1;  // a typo or two, never a different name
    auto consider = [&](const std::string& family) {
        size_t distance = edit_distance(wanted, lower(family));
        if (distance < best_distance) best_distance = distance, best = family;
    };
    for (const std::string& family : installed_families()) consider(family);
    for (const char* family : well_known_faces) consider(family);
    return best.empty() ? face : best;
}

FontFile find_font(const std::string& face, int weight) {
    FontFile found;
    if (!FcInit()) return found;
    // Face names longer than 31 characters are cut, as the font mapper does.
    const std::string family = nearest_family(face.substr(0, 31));
    FcPattern* pattern = FcPatternCreate();
    if (!family.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, fontconfig_weight(weight));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
            found.path = reinterpret_cast<const char*>(file);
        int index = 0;
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) found.index = index;
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

}  // namespace vlr::platform
