#include "recitation_page.h"

#include "browser_pane.h"
#include "form_button.h"
#include "forms_runtime.h"
#include "frame_shape.h"
#include "menu_design.h"
#include "page_design.h"
#include "reciter_entries.h"
#include "surah_list.h"
#include "window_building.h"

#include <catalogue/recording.h>

#include <QButtonGroup>
#include <QCloseEvent>

namespace shell {

void prepareSurahCaptions()
{
    for (int n = 1; n <= kSurahCount; ++n)
        prepareCaption(surahCaption(n), toQFont(surahButtonFont(n)), toPixels(surahButtonRect(n)).size());
}

RecitationPage::RecitationPage(const PageDescription &description, FormsRuntime &runtime,
                               QWebEngineProfile &profile, const catalogue::SiteHosts &hosts)
    : description_(description)
    , runtime_(runtime)
    , hosts_(hosts)
    , recording_(catalogue::recordingFor(description.form))
{
    setUpWindow(this, description.form, pageCaption(QLatin1String(description.form)), kPageBack,
                description.client);
    buildControls(profile);
    load();
    applyTabOrder(this, tabOrderNames(description.tabOrder));
    for (const QString &name : tabOrderNames(description.tabOrder))
        tabOrder_ << findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
}

void RecitationPage::buildControls(QWebEngineProfile &profile)
{
    // The controls are created in their tab order, so the focus chain is the
    // order of creation; the web view's inner widgets then stay with it.
    auto *surahs = new QButtonGroup(this);
    for (int control : tabOrderControls(description_.tabOrder)) {
        if (control == kBrowserPaneControl) {
            pane_ = new BrowserPane(profile, this);
            pane_->setObjectName(QLatin1String(kBrowserPaneName));
            pane_->setGeometry(toPixels(kBrowserPaneRect));
        } else if (control <= kSurahCount) {
            // Until load captions them, the buttons carry their own names.
            const QString placeholder = control == 1 ? surahCaption(1) : controlName(control);
            surahs->addButton(addButton(this, control, placeholder, surahButtonRect(control),
                                        surahButtonFont(control)),
                              control);
        } else {
            const PageButtonDesign design = pageButtonDesign(description_, control);
            addButton(this, control, QString::fromUtf16(design.caption), design.rect,
                      {kMsSansSerif, design.pointSize});
        }
    }
    for (const ShapeDesign &shape : pageShapes())
        addShape(this, shape.name, shape.rect);

    connect(surahs, &QButtonGroup::idClicked, this, &RecitationPage::playSurah);
    connect(button(kExitButton), &QPushButton::clicked, this, &RecitationPage::exitProgram);
    connect(button(kBackButton), &QPushButton::clicked, this, &RecitationPage::back);
    connect(button(kEnlargeButton), &QPushButton::clicked, this, &RecitationPage::enlarge);
    connect(button(kShrinkButton), &QPushButton::clicked, this, &RecitationPage::shrink);
}

void RecitationPage::load()
{
    FormButton *refaced = button(kRefacedSurahButton);
    QFont font = refaced->font();
    font.setFamily(QLatin1String(kSmallFonts));
    refaced->setFont(font);
    font.setBold(true);
    refaced->setFont(font);

    button(kEnlargeButton)->setVisible(false);

    if (description_.disablesButtonsWithoutAddress) {
        for (int n : buttonsWithoutAddressOnForm5())
            button(n)->setEnabled(false);
    }

    for (int n = 1; n <= kSurahCount; ++n)
        button(n)->setText(surahCaption(n));
}

FormButton *RecitationPage::button(int number) const
{
    return findChild<FormButton *>(controlName(number), Qt::FindDirectChildrenOnly);
}

void RecitationPage::playSurah(int surahButton)
{
    if (!recording_)
        return;
    if (const auto address = catalogue::listenUrl(*recording_, surahButton, hosts_))
        pane_->navigate(QString::fromStdString(*address));
}

void RecitationPage::exitProgram()
{
    runtime_.end();
}

void RecitationPage::back()
{
    const QString self = objectName();
    const QString menu = QLatin1String(kMenuForm);
    if (description_.backOrder == BackOrder::ShowMenuThenUnload) {
        runtime_.show(menu);
        runtime_.unload(self);
    } else {
        runtime_.unload(self);
        runtime_.show(menu);
    }
}

void RecitationPage::setControlsVisible(bool fullView)
{
    // One visibility change per control, always in this order.
    for (int n = 1; n <= kSurahCount; ++n)
        button(n)->setVisible(fullView);
    pane_->setVisible(fullView);
    button(kExitButton)->setVisible(fullView);
    button(kBackButton)->setVisible(fullView);
    for (const ShapeDesign &shape : pageShapes())
        findChild<QWidget *>(QLatin1String(shape.name), Qt::FindDirectChildrenOnly)->setVisible(fullView);
    button(kEnlargeButton)->setVisible(!fullView);
}

void RecitationPage::lol()
{
    setControlsVisible(false);
}

void RecitationPage::lol2()
{
    setControlsVisible(true);
}

void RecitationPage::enlarge()
{
    // Grow first, so that the controls reappear in a window that holds them.
    setOuterHeight(kFullViewOuterHeight);
    setOuterWidth(kFullViewOuterWidth);
    lol2();
}

void RecitationPage::shrink()
{
    lol();
    setOuterHeight(kCompactViewOuterHeight);
    setOuterWidth(kCompactViewOuterWidth);
}

// The sizes are outer sizes: whatever frame the platform draws is taken off
// before the client area is sized.
void RecitationPage::setOuterHeight(int twips)
{
    const int frame = frameGeometry().height() - geometry().height();
    resize(width(), toPixels(twips) - frame);
}

void RecitationPage::setOuterWidth(int twips)
{
    const int frame = frameGeometry().width() - geometry().width();
    resize(toPixels(twips) - frame, height());
}

bool RecitationPage::focusNextPrevChild(bool next)
{
    // Tab follows the design's order itself: the web view rearranges Qt's
    // focus chain when it sets up its inner widget, so the chain cannot be
    // relied on.
    QWidget *current = focusWidget();
    while (current && current->parentWidget() != this)
        current = current->parentWidget();
    const qsizetype count = tabOrder_.size();
    qsizetype at = tabOrder_.indexOf(current);
    if (at < 0)
        at = next ? count - 1 : 0;
    for (qsizetype step = 0; step < count; ++step) {
        at = (at + (next ? 1 : count - 1)) % count;
        QWidget *candidate = tabOrder_[at];
        if (candidate->isVisible() && candidate->isEnabled()
            && (candidate->focusPolicy() & Qt::TabFocus)) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

void RecitationPage::closeEvent(QCloseEvent *event)
{
    // Closing the window through its frame ends the program, as Exit does:
    // the program is never left running without a window to show.
    event->ignore();
    runtime_.end();
}

} // namespace shell
