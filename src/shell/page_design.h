#pragma once

#include "appearance.h"
#include "twips.h"

#include <QString>
#include <QStringList>

#include <span>

namespace shell {

// The design shared by the nine recitation pages, and the few values in
// which the pages differ.

enum class TabOrder : unsigned char {
    SurahsFirst,  // Form1: the surah buttons from 1, then the page buttons
    ShrinkFirst,  // the other pages: Shrink, Enlarge, Back ... down to surah 1
};

enum class BackOrder : unsigned char {
    UnloadThenShowMenu,
    ShowMenuThenUnload,  // Form4
};

struct PageDescription {
    const char *form;
    TwipsRect client;       // on the screen; the size the page opens at
    int enlargeWidth;
    TabOrder tabOrder;
    BackOrder backOrder;
    bool disablesButtonsWithoutAddress;  // the old recording lacks 28 surahs
};

std::span<const PageDescription> pageDescriptions();
const PageDescription *pageDescription(QStringView form);

// Surah button n (1 to 114): right to left in rows of 14, then short rows of
// five under the right-hand columns.
TwipsRect surahButtonRect(int n);
FontSpec surahButtonFont(int n);

struct PageButtonDesign {
    int number;             // Command<number>
    const char16_t *caption;
    TwipsRect rect;
    double pointSize;
};

inline constexpr int kExitButton = 115;
inline constexpr int kBackButton = 116;
inline constexpr int kEnlargeButton = 117;
inline constexpr int kShrinkButton = 118;

// Exit, Back and Shrink; Enlarge takes its width from the page's description.
std::span<const PageButtonDesign> fixedPageButtons();
PageButtonDesign enlargeButton(const PageDescription &page);
// The design of page button `number` (Exit, Back, Enlarge or Shrink).
PageButtonDesign pageButtonDesign(const PageDescription &page, int number);

// The surah button that load gives another face, and the face it gets.
inline constexpr int kRefacedSurahButton = 112;

inline constexpr TwipsRect kBrowserPaneRect{240, 4440, 6132, 3372};

struct ShapeDesign {
    const char *name;
    TwipsRect rect;
};

// Shape1 frames the browser pane, Shape2 the row of Exit, Back and Shrink.
std::span<const ShapeDesign> pageShapes();

// Outer window sizes (frame and title bar included) of the two views; the
// same on every page, whatever its design size.
inline constexpr int kFullViewOuterWidth = 10236;
inline constexpr int kFullViewOuterHeight = 8496;
inline constexpr int kCompactViewOuterWidth = 1500;
inline constexpr int kCompactViewOuterHeight = 1668;

// The page's controls in their tab order, by number (Command<number>), the
// browser pane as kBrowserPaneControl.
inline constexpr int kBrowserPaneControl = 0;
QList<int> tabOrderControls(TabOrder order);
QStringList tabOrderNames(TabOrder order);

// Form5's surah buttons that have no recording behind them: load disables them.
std::span<const int> buttonsWithoutAddressOnForm5();

QString controlName(int number);  // "Command<number>"
inline constexpr const char *kBrowserPaneName = "WebBrowser1";

} // namespace shell
