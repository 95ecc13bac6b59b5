// sorvantel-peer-view --host <host:port> [--cycles <n>]
//
// The least a Qt program does to listen through a web view: a small window
// whose buttons each open a window holding one QWebEngineView, a button
// that loads a listen address into it, and one that closes it again. It
// plays the same scripts as the program's driver (bench/sequence.h), on the
// same addresses, on an off-the-record profile with the same playback
// setting, started after the first paint as the program starts its own.

#include "sequence.h"

#include <catalogue/recording.h>

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

class BareViews : public QObject, public bench::Subject
{
public:
    explicit BareViews(catalogue::SiteHosts hosts)
        : hosts_(std::move(hosts))
    {
        launcher_.setObjectName(QLatin1String(bench::kMenuName));
        launcher_.setWindowTitle(QStringLiteral("bare view"));
        launcher_.setGeometry(129, 138, 569, 320);
        for (int page = 0; page < bench::kPageCount; ++page) {
            auto *open = new QPushButton(bench::pageName(page), &launcher_);
            open->setObjectName(QStringLiteral("Command%1").arg(bench::menuButtonOfPage(page)));
            open->setGeometry(8 + (page % 5) * 110, 8 + (page / 5) * 60, 100, 50);
            connect(open, &QPushButton::clicked, this, [this, page] { openPage(page); });
        }
        launcher_.installEventFilter(this);
    }

    ~BareViews() override
    {
        delete page_.data(); // before the profile its view runs on
    }

    QWidget &launcher() { return launcher_; }

    QAbstractButton *menuButton(int page) override
    {
        return launcher_.findChild<QAbstractButton *>(
            QStringLiteral("Command%1").arg(bench::menuButtonOfPage(page)));
    }
    QAbstractButton *surahButton(int page, int surah) override
    {
        if (!isOpen(page))
            return nullptr;
        // As the program does, a surah without an address has no button to press.
        surah_ = surah;
        play_->setEnabled(catalogue::listenUrl(*recording_, surah, hosts_).has_value());
        return play_;
    }
    QAbstractButton *backButton(int page) override { return isOpen(page) ? back_ : nullptr; }
    QAbstractButton *exitButton(int page) override { return isOpen(page) ? exit_ : nullptr; }
    QWebEngineView *pane(int page) override { return isOpen(page) ? view_ : nullptr; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        // The engine starts once the launcher has been drawn.
        if (event->type() == QEvent::Paint && !profile_) {
            launcher_.removeEventFilter(this);
            QTimer::singleShot(0, this, &BareViews::ensureProfile);
        }
        return false;
    }

private:
    bool isOpen(int page) const { return page_ && pageIndex_ == page; }

    // Off the record, and media may start without a gesture in the page.
    void ensureProfile()
    {
        if (profile_)
            return;
        profile_ = std::make_unique<QWebEngineProfile>();
        profile_->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    }

    void openPage(int page)
    {
        ensureProfile();
        auto *window = new QWidget;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setObjectName(bench::pageName(page));
        window->setGeometry(72, 34, 676, 534);
        view_ = new QWebEngineView(profile_.get(), window);
        view_->setGeometry(16, 296, 409, 225);
        play_ = new QPushButton(QStringLiteral("play"), window);
        play_->setGeometry(16, 16, 80, 30);
        back_ = new QPushButton(QStringLiteral("back"), window);
        back_->setGeometry(16, 56, 80, 30);
        exit_ = new QPushButton(QStringLiteral("exit"), window);
        exit_->setGeometry(16, 96, 80, 30);
        recording_ = catalogue::recordingFor(bench::pageName(page).toStdString());
        connect(play_, &QPushButton::clicked, view_, [this] {
            if (const auto address = catalogue::listenUrl(*recording_, surah_, hosts_))
                view_->load(QUrl::fromUserInput(QString::fromStdString(*address)));
        });
        connect(back_, &QPushButton::clicked, this, [this, window] {
            window->hide();
            window->deleteLater();
            launcher_.show();
        });
        connect(exit_, &QPushButton::clicked, qApp, &QCoreApplication::quit);
        page_ = window;
        pageIndex_ = page;
        window->show();
        launcher_.hide();
    }

    const catalogue::SiteHosts hosts_;
    QWidget launcher_;
    std::unique_ptr<QWebEngineProfile> profile_;
    QPointer<QWidget> page_;
    int pageIndex_ = -1;
    const catalogue::Recording *recording_ = nullptr;
    int surah_ = 1;
    QWebEngineView *view_ = nullptr;
    QPushButton *play_ = nullptr;
    QPushButton *back_ = nullptr;
    QPushButton *exit_ = nullptr;
};

} // namespace

int main(int argc, char *argv[])
{
    bench::reportEvent(QStringLiteral("main"));
    const char *host = nullptr;
    int cycles = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--host") == 0)
            host = argv[i + 1];
        else if (std::strcmp(argv[i], "--cycles") == 0)
            cycles = std::atoi(argv[i + 1]);
    }
    if (!host) {
        std::fputs("usage: sorvantel-peer-view --host <host:port> [--cycles <n>]\n", stderr);
        return 2;
    }

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int appArgc = 1;
    QApplication app(appArgc, argv);
    int status = 0;
    {
        BareViews views(catalogue::SiteHosts{host, host});
        bench::Script script(&app);
        if (cycles > 0)
            bench::buildCycleScript(script, views, cycles);
        else
            bench::buildListeningScript(script, views);
        views.launcher().show();
        script.start();
        status = app.exec();
    }
    bench::reportEvent(QStringLiteral("exit"));
    return status;
}
