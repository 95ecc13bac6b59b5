#pragma once

#include <catalogue/listen_url.h>

#include <QWidget>

class QWebEngineProfile;

namespace catalogue {
struct Recording;
}

namespace shell {

class BrowserPane;
class FormButton;
class FormsRuntime;
struct PageDescription;

// Draws the 114 surah captions off the screen, each in its button's face and
// size, so that the first page to open finds the faces loaded and the
// glyphs rendered (some ten milliseconds, otherwise spent on its first paint).
void prepareSurahCaptions();

// The window of one recording: 114 surah buttons, Exit, Back, Enlarge and
// Shrink, the browser pane and two frame shapes, built from the shared page
// design and the page's own description.
class RecitationPage : public QWidget
{
    Q_OBJECT
public:
    RecitationPage(const PageDescription &description, FormsRuntime &runtime,
                   QWebEngineProfile &profile, const catalogue::SiteHosts &hosts);

    // To the compact view: every control hidden but Enlarge (and Shrink,
    // which no view touches). The window size is left alone.
    void lol();
    // To the full view: every control shown but Enlarge.
    void lol2();

    FormButton *button(int number) const;
    BrowserPane *browserPane() const { return pane_; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildControls(QWebEngineProfile &profile);
    void load();
    void playSurah(int button);
    void exitProgram();
    void back();
    void enlarge();
    void shrink();
    void setOuterHeight(int twips);
    void setOuterWidth(int twips);
    void setControlsVisible(bool fullView);


    const PageDescription &description_;
    FormsRuntime &runtime_;
    const catalogue::SiteHosts hosts_;
    const catalogue::Recording *recording_;
    BrowserPane *pane_ = nullptr;
    QList<QWidget *> tabOrder_;
};

} // namespace shell
