#pragma once
// A font: a face of an installed family at a size in points. Fonts are found through
// fontconfig by PostScript name ("LiberationSans-Bold"), family name ("Liberation Sans") or
// full name; a name with no installed face gives no font. The system font is Liberation
// Sans in the requested weight (the faces present are regular and bold; fontconfig picks the
// nearest, and fontName names the face picked). Text is drawn and measured with Pango: the
// font carries the family, weight, style and size Pango needs, sizes meaning user-space
// units (points). Immutable and shared, usable from any thread.
#include <memory>
#include <string>

#include "CoreGraphics/CGGeometry.h"

typedef struct _PangoFontDescription PangoFontDescription;

// Frees a Pango font description (pango_font_description_free).
struct PangoFontDescriptionDeleter {
    void operator()(PangoFontDescription* description) const;
};
using PangoFontDescriptionPtr = std::unique_ptr<PangoFontDescription, PangoFontDescriptionDeleter>;

using UIFontWeight = CGFloat;
extern const UIFontWeight UIFontWeightUltraLight;
extern const UIFontWeight UIFontWeightThin;
extern const UIFontWeight UIFontWeightLight;
extern const UIFontWeight UIFontWeightRegular;
extern const UIFontWeight UIFontWeightMedium;
extern const UIFontWeight UIFontWeightSemibold;
extern const UIFontWeight UIFontWeightBold;
extern const UIFontWeight UIFontWeightHeavy;
extern const UIFontWeight UIFontWeightBlack;

class UIFont {
public:
    // `weight` on the OpenType scale (100 thin ... 400 regular ... 900 black).
    UIFont(std::string fontName, std::string familyName, CGFloat pointSize, int weight, bool italic);

    // nullptr when no installed face has that name.
    static std::shared_ptr<UIFont> fontWithName_size(const std::string& fontName, CGFloat fontSize);
    static std::shared_ptr<UIFont> systemFontOfSize(CGFloat fontSize);
    static std::shared_ptr<UIFont> boldSystemFontOfSize(CGFloat fontSize);
    static std::shared_ptr<UIFont> systemFontOfSize_weight(CGFloat fontSize, UIFontWeight weight);
    std::shared_ptr<UIFont> fontWithSize(CGFloat fontSize) const;

    // The PostScript name of the face.
    const std::string& fontName() const { return m_fontName; }
    const std::string& familyName() const { return m_familyName; }
    CGFloat pointSize() const { return m_pointSize; }
    int weight() const { return m_weight; }
    bool isItalic() const { return m_italic; }

    // A new Pango description of this font (absolute size in user-space units).
    PangoFontDescriptionPtr newPangoFontDescription() const;
    std::string description() const;

private:
    std::string m_fontName;
    std::string m_familyName;
    CGFloat m_pointSize;
    int m_weight;
    bool m_italic;
};
