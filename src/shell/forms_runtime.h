#pragma once

#include <catalogue/listen_url.h>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <map>

class QWebEngineProfile;

namespace shell {

// The program's windows by name: each exists at most once, is created (its
// controls built and its load run) on first reference, and lives until it is
// unloaded or the program ends.
class FormsRuntime : public QObject
{
    Q_OBJECT
public:
    FormsRuntime(QWebEngineProfile &profile, catalogue::SiteHosts hosts, QObject *parent = nullptr);
    ~FormsRuntime() override;

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

    QWebEngineProfile &profile_;
    catalogue::SiteHosts hosts_;
    std::map<QString, QPointer<QWidget>> windows_;
    QList<QPointer<QWidget>> discarded_;
    bool ended_ = false;
};

} // namespace shell
