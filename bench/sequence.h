#pragma once

// The two scripts every program under measurement plays, written once
// against a small view of that program (a Subject), so that the program and
// its bare peer go through exactly the same clicks and waits.

#include "probe.h"

#include <QString>

class QAbstractButton;
class QWebEngineView;
class QWidget;

namespace bench {

// The nine recordings' menu entries, in menu order: (menu button, page).
inline constexpr int kPageCount = 9;
int menuButtonOfPage(int page);
QString pageName(int page);
inline constexpr const char *kMenuName = "Form2";

class Subject
{
public:
    virtual ~Subject() = default;
    // The menu's button that opens `page` (0 to 8).
    virtual QAbstractButton *menuButton(int page) = 0;
    // Controls of the open window of `page`; nullptr when there is none.
    virtual QAbstractButton *surahButton(int page, int surah) = 0;
    virtual QAbstractButton *backButton(int page) = 0;
    virtual QAbstractButton *exitButton(int page) = 0;
    virtual QWebEngineView *pane(int page) = 0;
};

// From the start to the menu, two pages opened and listened to, and Exit:
//   menu-exposed, menu-painted          the first expose and paint of the menu
//   click-page1, page1-built, page1-exposed, page1-painted   the first page;
//                                       built: the click's handler has returned
//   click-fresh1, loaded-fresh1         its first surah click, on a fresh pane
//   playing, then mem-ready             the page plays; memory is taken
//   click-later, loaded-later (x3)      further surah clicks on the same pane
//   click-back, menu-back-exposed       Back
//   click-page2, page2-exposed, page2-painted     a later page
//   click-fresh2, loaded-fresh2, click-later ...  as on the first page
//   click-exit                          Exit; the program ends
void buildListeningScript(Script &script, Subject &subject);

// `cycles` times: open page i mod 9, click a surah, wait for the listen page,
// Back, wait for the menu and for the page to be gone. Prints
//   cycle <i> <ns>                       the duration of cycle i (from 1)
//   procs-open <n>                       engine processes with the first page playing
//   mem <i> <rss KiB> <tree rss KiB> <tree pss KiB> <engine processes> <tree distinct KiB>
// after cycle 1, 20 and the last, once the engine has settled; then exits.
void buildCycleScript(Script &script, Subject &subject, int cycles);

} // namespace bench
