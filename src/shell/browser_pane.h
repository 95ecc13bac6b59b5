#pragma once

#include <QWebEngineView>

#include <memory>

class QWebEngineProfile;

namespace shell {

// The profile every browser pane runs on: off the record, so no cookie, cache
// or storage reaches the disk, and media may start without a gesture in the
// page (a surah click is the listener's gesture). It must outlive every pane.
std::unique_ptr<QWebEngineProfile> createBrowserProfile();

// A page's embedded web view. It starts with no page; navigate() loads an
// address the way a browser loads a typed one; hiding it keeps its page
// loaded and playing.
class BrowserPane : public QWebEngineView
{
    Q_OBJECT
public:
    BrowserPane(QWebEngineProfile &profile, QWidget *parent);

    void navigate(const QString &address);
};

} // namespace shell
