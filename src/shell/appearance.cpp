#include "appearance.h"

#include <QStringList>

namespace shell {

QColor colourFromBgr(quint32 bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

QFont toQFont(const FontSpec &spec)
{
    QFont font(QString::fromLatin1(spec.face));
    font.setPointSizeF(spec.pointSize);
    font.setWeight(static_cast<QFont::Weight>(spec.weight));
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void installFontFallbacks()
{
    const QStringList arabicSans = {QStringLiteral("Noto Sans Arabic"), QStringLiteral("Noto Sans"),
                                    QStringLiteral("DejaVu Sans")};
    for (const char *face : {kMsSansSerif, kSmallFonts}) {
        if (QFont::substitutes(QString::fromLatin1(face)).isEmpty())
            QFont::insertSubstitutions(QString::fromLatin1(face), arabicSans);
    }
}

} // namespace shell
