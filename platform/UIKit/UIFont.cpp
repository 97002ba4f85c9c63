#include "UIKit/UIFont.h"

#include <fontconfig/fontconfig.h>
#include <pango/pango.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

const UIFontWeight UIFontWeightUltraLight = -0.8;
const UIFontWeight UIFontWeightThin = -0.6;
const UIFontWeight UIFontWeightLight = -0.4;
const UIFontWeight UIFontWeightRegular = 0.0;
const UIFontWeight UIFontWeightMedium = 0.23;
const UIFontWeight UIFontWeightSemibold = 0.3;
const UIFontWeight UIFontWeightBold = 0.4;
const UIFontWeight UIFontWeightHeavy = 0.56;
const UIFontWeight UIFontWeightBlack = 0.62;

namespace {

const char* const kSystemFamily = "Liberation Sans";

struct Face {
    std::string postscriptName;
    std::string family;
    int weight; // OpenType scale
    bool italic;
};

// Fontconfig lookups are slow and the answers do not change while we run: one cache, one
// lock around both.
std::mutex g_mutex;
std::map<std::string, std::optional<Face>> g_byName;
std::map<int, Face> g_systemByWeight;

void ensureFontconfig()
{
    static std::once_flag once;
    std::call_once(once, [] { FcInit(); });
}

struct FcPatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct FcObjectSetDeleter {
    void operator()(FcObjectSet* objects) const { FcObjectSetDestroy(objects); }
};
struct FcFontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using FcPatternPtr = std::unique_ptr<FcPattern, FcPatternDeleter>;
using FcObjectSetPtr = std::unique_ptr<FcObjectSet, FcObjectSetDeleter>;
using FcFontSetPtr = std::unique_ptr<FcFontSet, FcFontSetDeleter>;

std::string stringOf(FcPattern* p, const char* object)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(p, object, 0, &value) == FcResultMatch && value)
        return reinterpret_cast<const char*>(value);
    return {};
}

Face faceOf(FcPattern* p)
{
    Face face;
    face.postscriptName = stringOf(p, FC_POSTSCRIPT_NAME);
    face.family = stringOf(p, FC_FAMILY);
    double weight = FC_WEIGHT_REGULAR;
    FcPatternGetDouble(p, FC_WEIGHT, 0, &weight);
    face.weight = FcWeightToOpenType(int(weight));
    int slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(p, FC_SLANT, 0, &slant);
    face.italic = slant != FC_SLANT_ROMAN;
    return face;
}

// Exact lookup (no substitution): the face whose `object` is `name`; among several faces of
// one family, the upright one nearest to regular weight.
std::optional<Face> listFace(const char* object, const std::string& name)
{
    const FcPatternPtr pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), object, reinterpret_cast<const FcChar8*>(name.c_str()));
    const FcObjectSetPtr objects(FcObjectSetBuild(FC_FAMILY, FC_POSTSCRIPT_NAME, FC_WEIGHT, FC_SLANT, nullptr));
    const FcFontSetPtr set(FcFontList(nullptr, pattern.get(), objects.get()));
    std::optional<Face> best;
    int bestScore = 0;
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            Face face = faceOf(set->fonts[i]);
            if (face.postscriptName.empty() || face.family.empty())
                continue;
            int score = std::abs(face.weight - 400) + (face.italic ? 1000 : 0);
            if (!best || score < bestScore || (score == bestScore && face.postscriptName < best->postscriptName)) {
                best = face;
                bestScore = score;
            }
        }
    }
    return best;
}

std::optional<Face> installedFace(const std::string& name)
{
    std::lock_guard lock(g_mutex);
    if (auto it = g_byName.find(name); it != g_byName.end())
        return it->second;
    ensureFontconfig();
    std::optional<Face> face;
    if (!name.empty()) {
        for (const char* object : {FC_POSTSCRIPT_NAME, FC_FAMILY, FC_FULLNAME}) {
            if ((face = listFace(object, name)))
                break;
        }
    }
    g_byName[name] = face;
    return face;
}

// The system family's face that fontconfig picks for `weight`.
Face systemFace(int weight)
{
    std::lock_guard lock(g_mutex);
    if (auto it = g_systemByWeight.find(weight); it != g_systemByWeight.end())
        return it->second;
    ensureFontconfig();
    Face face{"LiberationSans", kSystemFamily, weight, false};
    const FcPatternPtr pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(kSystemFamily));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result;
    if (const FcPatternPtr match{FcFontMatch(nullptr, pattern.get(), &result)}) {
        Face found = faceOf(match.get());
        if (!found.postscriptName.empty())
            face.postscriptName = found.postscriptName;
    }
    g_systemByWeight[weight] = face;
    return face;
}

int openTypeWeight(UIFontWeight weight)
{
    static const std::pair<UIFontWeight, int> table[] = {
        {-0.8, 200}, {-0.6, 100}, {-0.4, 300}, {0.0, 400}, {0.23, 500}, {0.3, 600}, {0.4, 700}, {0.56, 800}, {0.62, 900},
    };
    if (std::isnan(weight))
        return 400;
    int best = 400;
    CGFloat distance = 1e9;
    for (const auto& [w, ot] : table) {
        if (std::abs(w - weight) < distance) {
            distance = std::abs(w - weight);
            best = ot;
        }
    }
    return best;
}

CGFloat validSize(CGFloat size) { return std::isfinite(size) && size > 0 ? size : 0; }

} // namespace

UIFont::UIFont(std::string fontName, std::string familyName, CGFloat pointSize, int weight, bool italic)
    : m_fontName(std::move(fontName))
    , m_familyName(std::move(familyName))
    , m_pointSize(validSize(pointSize))
    , m_weight(weight)
    , m_italic(italic)
{
}

std::shared_ptr<UIFont> UIFont::fontWithName_size(const std::string& fontName, CGFloat fontSize)
{
    auto face = installedFace(fontName);
    if (!face)
        return nullptr;
    return std::make_shared<UIFont>(face->postscriptName, face->family, fontSize, face->weight, face->italic);
}

std::shared_ptr<UIFont> UIFont::systemFontOfSize(CGFloat fontSize) { return systemFontOfSize_weight(fontSize, UIFontWeightRegular); }

std::shared_ptr<UIFont> UIFont::boldSystemFontOfSize(CGFloat fontSize) { return systemFontOfSize_weight(fontSize, UIFontWeightBold); }

std::shared_ptr<UIFont> UIFont::systemFontOfSize_weight(CGFloat fontSize, UIFontWeight weight)
{
    Face face = systemFace(openTypeWeight(weight));
    return std::make_shared<UIFont>(face.postscriptName, face.family, fontSize, face.weight, false);
}

std::shared_ptr<UIFont> UIFont::fontWithSize(CGFloat fontSize) const
{
    return std::make_shared<UIFont>(m_fontName, m_familyName, fontSize, m_weight, m_italic);
}

void PangoFontDescriptionDeleter::operator()(PangoFontDescription* description) const
{
    pango_font_description_free(description);
}

PangoFontDescriptionPtr UIFont::newPangoFontDescription() const
{
    PangoFontDescriptionPtr description(pango_font_description_new());
    PangoFontDescription* d = description.get();
    pango_font_description_set_family(d, m_familyName.c_str());
    pango_font_description_set_weight(d, PangoWeight(m_weight));
    pango_font_description_set_style(d, m_italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(d, m_pointSize * PANGO_SCALE);
    return description;
}

std::string UIFont::description() const
{
    char size[32];
    std::snprintf(size, sizeof size, "%.2f", m_pointSize);
    return "<UIFont: font-family: \"" + m_familyName + "\"; font-name: \"" + m_fontName + "\"; font-weight: "
        + std::to_string(m_weight) + "; font-style: " + (m_italic ? "italic" : "normal") + "; font-size: " + size + "pt>";
}

#if defined(__SANITIZE_ADDRESS__)
// Fontconfig keeps blocks of its parsed configuration, and Pango its font caches, until the
// process ends, without a pointer the leak checker can follow. Those are the libraries'
// process-lifetime state, not leaks of ours; every program that draws text links this file.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libpangocairo-1.0.so\n";
}
#endif
