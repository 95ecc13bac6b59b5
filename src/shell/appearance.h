#pragma once

#include <QColor>
#include <QFont>
#include <QtGlobal>

namespace shell {

// Colours in the designs are 0x00BBGGRR: red in the low byte.
QColor colourFromBgr(quint32 bgr);

inline constexpr quint32 kButtonFace = 0x00FFC0C0;     // light blue
inline constexpr quint32 kFrameOutline = 0x00FF8080;
inline constexpr quint32 kPageBack = 0x00800000;       // navy
inline constexpr quint32 kMenuBack = 0x00400000;       // dark navy

inline constexpr int kArabicCharset = 178;

struct FontSpec {
    const char *face;
    double pointSize;
    int weight = 700;
    int charset = kArabicCharset;
};

inline constexpr const char *kMsSansSerif = "MS Sans Serif";
inline constexpr const char *kSmallFonts = "Small Fonts";

// The face keeps its design name; where the machine lacks it, Qt's font
// substitution picks an installed sans that shows Arabic (installFontFallbacks).
QFont toQFont(const FontSpec &spec);

// Maps the design faces to installed faces that carry Arabic in bold.
void installFontFallbacks();

} // namespace shell
