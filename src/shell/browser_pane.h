#pragma once

#include <QWebEngineView>

#include <memory>

class QWebEngineProfile;

namespace shell {

// Qt makes the GL context that every web view shares while the application
// is being constructed, and that loads the GL driver before any window can
// show. Called before the application exists, this leaves the context to be
// made when the first browser profile is created; the engine finds it made
// by then. Without this call, Qt makes it as usual.
void deferBrowserGraphics();

// The profile every browser pane runs on: off the record, so no cookie, cache
// or storage reaches the disk; media may start without a gesture in the page
// (a surah click is the listener's gesture); no script opens a window by
// itself. It must outlive every pane, and `scratchFolder` (if not empty) must
// outlive it: the engine makes its empty folders there.
std::unique_ptr<QWebEngineProfile> createBrowserProfile(const QString &scratchFolder);

// A page's embedded web view. It starts with no page; navigate() loads an
// address the way a browser loads a typed one; hiding it keeps its page
// loaded and playing.
class BrowserPane : public QWebEngineView
{
    Q_OBJECT
public:
    BrowserPane(QWebEngineProfile &profile, QWidget *parent);

    void navigate(const QString &address);

protected:
    void childEvent(QChildEvent *event) override;
};

} // namespace shell
