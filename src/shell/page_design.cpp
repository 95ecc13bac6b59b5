#include "page_design.h"

#include <algorithm>
#include "surah_list.h"

#include <array>

namespace shell {

namespace {

constexpr std::array<PageDescription, 9> kPages = {{
    {"Form1", {1080, 516, 10140, 8016}, 1572, TabOrder::SurahsFirst, BackOrder::UnloadThenShowMenu, false},
    {"Form3", {1104, 540, 10152, 8016}, 1572, TabOrder::ShrinkFirst, BackOrder::UnloadThenShowMenu, false},
    {"Form4", {1104, 516, 10152, 8016}, 1572, TabOrder::ShrinkFirst, BackOrder::ShowMenuThenUnload, false},
    {"Form5", {1056, 516, 10152, 8016}, 1692, TabOrder::ShrinkFirst, BackOrder::UnloadThenShowMenu, true},
    {"Form6", {1056, 516, 10176, 8040}, 1692, TabOrder::ShrinkFirst, BackOrder::UnloadThenShowMenu, false},
    {"Form7", {1056, 540, 10164, 7980}, 1692, TabOrder::ShrinkFirst, BackOrder::UnloadThenShowMenu, false},
    {"Form8", {1080, 516, 10188, 8028}, 1692, TabOrder::ShrinkFirst, BackOrder::UnloadThenShowMenu, false},
    {"Form9", {1104, 540, 10140, 8016}, 1692, TabOrder::ShrinkFirst, BackOrder::UnloadThenShowMenu, false},
    {"Form10", {1080, 540, 10164, 8016}, 1692, TabOrder::ShrinkFirst, BackOrder::UnloadThenShowMenu, false},
}};

// The grid.
constexpr int kColumns = 14;
constexpr int kFullRowButtons = 98;     // seven rows of 14
constexpr int kShortRowColumns = 5;
constexpr int kRightColumnLeft = 9480;
constexpr int kColumnPitch = 720;
constexpr int kFirstRowTop = 120;
constexpr int kShortRowsTop = 4320;
constexpr int kRowPitch = 600;
constexpr int kButtonWidth = 576;
constexpr int kButtonHeight = 492;

constexpr std::array kTallerButtons = {18, 19, 30, 44, 48, 50, 54, 63, 66, 80, 99, 100, 108};
constexpr int kTallerHeight = 500;
constexpr std::array kWiderButtons = {78, 94};
constexpr int kWiderWidth = 612;

// Buttons whose names are long enough to need the small face.
constexpr std::array kLongNameButtons = {23, 29, 37, 49, 51, 58, 60, 63, 77, 79, 83, 84, 100, 109};
constexpr FontSpec kSurahFont{kMsSansSerif, 7.8};
constexpr FontSpec kLongNameFont{kSmallFonts, 6.6};

constexpr std::array<PageButtonDesign, 3> kFixedPageButtons = {{
    {kExitButton, u"خروج", {6840, 6960, 852, 852}, 7.8},
    {kBackButton, u"رجوع", {7920, 6960, 852, 852}, 7.8},
    {kShrinkButton, u"تصغير", {9000, 6960, 852, 852}, 9.6},
}};

constexpr std::array<ShapeDesign, 2> kShapes = {{
    {"Shape1", {120, 4320, 6372, 3612}},
    {"Shape2", {6720, 6840, 3252, 1092}},
}};

constexpr std::array kForm5WithoutAddress = {3,  4,  5,  7,  10, 16, 17, 19, 24, 27, 28, 29, 30, 31,
                                             33, 34, 35, 36, 37, 39, 43, 44, 45, 46, 51, 52, 55, 57};

template <typename Container>
bool holds(const Container &numbers, int n)
{
    return std::find(numbers.begin(), numbers.end(), n) != numbers.end();
}

} // namespace

std::span<const PageDescription> pageDescriptions()
{
    return kPages;
}

const PageDescription *pageDescription(QStringView form)
{
    for (const PageDescription &page : kPages) {
        if (form == QLatin1String(page.form))
            return &page;
    }
    return nullptr;
}

TwipsRect surahButtonRect(int n)
{
    int row = 0;
    int column = 0;
    int top = 0;
    if (n <= kFullRowButtons) {
        row = (n - 1) / kColumns;
        column = (n - 1) % kColumns;
        top = kFirstRowTop + kRowPitch * row;
    } else {
        row = (n - kFullRowButtons - 1) / kShortRowColumns;
        column = (n - kFullRowButtons - 1) % kShortRowColumns;
        top = kShortRowsTop + kRowPitch * row;
    }
    return {kRightColumnLeft - kColumnPitch * column, top,
            holds(kWiderButtons, n) ? kWiderWidth : kButtonWidth,
            holds(kTallerButtons, n) ? kTallerHeight : kButtonHeight};
}

FontSpec surahButtonFont(int n)
{
    return holds(kLongNameButtons, n) ? kLongNameFont : kSurahFont;
}

std::span<const PageButtonDesign> fixedPageButtons()
{
    return kFixedPageButtons;
}

PageButtonDesign enlargeButton(const PageDescription &page)
{
    return {kEnlargeButton, u"تكبير", {0, 0, page.enlargeWidth, 1212}, 13.8};
}

PageButtonDesign pageButtonDesign(const PageDescription &page, int number)
{
    for (const PageButtonDesign &design : kFixedPageButtons) {
        if (design.number == number)
            return design;
    }
    return enlargeButton(page);
}

std::span<const ShapeDesign> pageShapes()
{
    return kShapes;
}

QList<int> tabOrderControls(TabOrder order)
{
    // Both orders move surah 94 among the page buttons, between Exit and Back.
    QList<int> controls;
    if (order == TabOrder::SurahsFirst) {
        for (int n = 1; n <= kSurahCount; ++n) {
            if (n != 94)
                controls << n;
        }
        controls << kExitButton << 94 << kBackButton << kBrowserPaneControl << kEnlargeButton
                 << kShrinkButton;
    } else {
        controls << kShrinkButton << kEnlargeButton << kBackButton << 94 << kExitButton;
        for (int n = kSurahCount; n >= 1; --n) {
            if (n != 94)
                controls << n;
        }
        controls << kBrowserPaneControl;
    }
    return controls;
}

QStringList tabOrderNames(TabOrder order)
{
    QStringList names;
    for (int control : tabOrderControls(order))
        names << (control == kBrowserPaneControl ? QLatin1String(kBrowserPaneName) : controlName(control));
    return names;
}

std::span<const int> buttonsWithoutAddressOnForm5()
{
    return kForm5WithoutAddress;
}

QString controlName(int number)
{
    return QStringLiteral("Command%1").arg(number);
}

} // namespace shell
