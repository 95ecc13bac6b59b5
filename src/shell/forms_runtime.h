#pragma once

#include "double_click_guard.h"

#include <catalogue/listen_url.h>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <map>
#include <memory>

class QTemporaryDir;
class QWebEngineProfile;

namespace shell {

// The program's windows by name: each exists at most once, is created (its
// controls built and its load run) on first reference, and lives until it is
// unloaded or the program ends.
class FormsRuntime : public QObject
{
    Q_OBJECT
public:
    explicit FormsRuntime(catalogue::SiteHosts hosts, QObject *parent = nullptr);
    ~FormsRuntime() override;

    // Starts the web engine now rather than when the first page opens; the
    // program calls it once the menu has been drawn.
    void prepareBrowser();

    // The window named `name`, created and loaded if it does not exist.
    QWidget *window(const QString &name);
    // The window named `name` if it exists; never creates one.
    QWidget *existing(const QString &name) const;

    void show(const QString &name);
    void hide(const QString &name);
    // Destroys the window and all its controls; the next reference creates it
    // afresh. Safe from a handler of the window's own controls.
    void unload(const QString &name);
    // Ends the program at once: every window goes, whatever it shows or plays.
    void end();

    bool hasEnded() const { return ended_; }

signals:
    // Emitted once by end(); the event loop should stop when it arrives.
    void ended();

private:
    QWidget *create(const QString &name);
    void discard(QWidget *window);
    QWebEngineProfile &profile();

    catalogue::SiteHosts hosts_;
    // The browser's scratch folder, removed with everything in it when the
    // program ends; it outlives the profile.
    std::unique_ptr<QTemporaryDir> browserScratch_;
    // Every page's web view runs on this profile; it outlives every window.
    std::unique_ptr<QWebEngineProfile> profile_;
    std::map<QString, QPointer<QWidget>> windows_;
    // A move between windows, or Enlarge, may bring another button under
    // the pointer halfway through a double click.
    DoubleClickGuard doubleClicks_;
    QList<QPointer<QWidget>> discarded_;
    bool ended_ = false;
};

} // namespace shell
