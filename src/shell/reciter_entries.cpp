#include "reciter_entries.h"

#include <array>

namespace shell {

namespace {

// The leading blank of the first caption and the spacing around the hyphens
// are the design's own.
constexpr std::array<ReciterEntry, 9> kEntries = {{
    {1, u" الشيخ Velmoran -تسجيل جديد", 5280, 240, "Shape7", "Form1", u"Velmoran - تسجيل جديد"},
    {2, u"الشيخ Tirsenak", 3600, 240, "Shape5", "Form3", u"Tirsenak"},
    {4, u"الشيخ Orbelund", 1920, 240, "Shape4", "Form4", u"Orbelund"},
    {5, u"الشيخ Velmoran -التسجيل القديم", 6960, 240, "Shape11", "Form5", u"Velmoran -تسجيل قدبم"},
    {7, u"الشيخ Kasmirel", 6240, 1560, "Shape1", "Form6", u"Kasmirel"},
    {8, u"الشيخ Dranvoss", 2640, 1560, "Shape6", "Form8", u"Dranvoss"},
    {9, u"الشيخ Fenolvast", 4560, 1560, "Shape8", "Form9", u"Fenolvast"},
    {10, u"الشيخ Hathrune", 240, 240, "Shape3", "Form10", u"Hathrune"},
    {11, u"الشيخ Corlissan", 960, 1560, "Shape2", "Form7", u"Corlissan"},
}};

} // namespace

std::span<const ReciterEntry> reciterEntries()
{
    return kEntries;
}

QString pageCaption(QLatin1StringView page)
{
    for (const ReciterEntry &entry : kEntries) {
        if (page == QLatin1String(entry.page))
            return QString::fromUtf16(entry.pageCaption);
    }
    return {};
}

} // namespace shell
