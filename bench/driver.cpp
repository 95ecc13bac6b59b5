// sorvantel-bench-driver --host <host:port> [--cycles <n>]
//
// The program itself, as its main runs it, with both recitation sites on
// <host:port>, played through the listening script (or through <n> cycles of
// open, listen and Back) by clicks on its own buttons. Reports on stdout as
// bench/probe.h describes; "ev main" is the first thing main does and
// "ev exit" the moment the program has returned.

#include "sequence.h"

#include <shell/forms_runtime.h>
#include <shell/program.h>

#include <QAbstractButton>
#include <QWebEngineView>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

class ProgramSubject : public bench::Subject
{
public:
    explicit ProgramSubject(shell::FormsRuntime &runtime)
        : runtime_(runtime)
    {
    }

    QAbstractButton *menuButton(int page) override
    {
        return button(QLatin1String(bench::kMenuName), bench::menuButtonOfPage(page));
    }
    QAbstractButton *surahButton(int page, int surah) override
    {
        return button(bench::pageName(page), surah);
    }
    QAbstractButton *backButton(int page) override { return button(bench::pageName(page), 116); }
    QAbstractButton *exitButton(int page) override { return button(bench::pageName(page), 115); }
    QWebEngineView *pane(int page) override
    {
        QWidget *window = runtime_.existing(bench::pageName(page));
        return window ? window->findChild<QWebEngineView *>(QStringLiteral("WebBrowser1")) : nullptr;
    }

private:
    QAbstractButton *button(const QString &form, int number)
    {
        QWidget *window = runtime_.existing(form);
        return window ? window->findChild<QAbstractButton *>(QStringLiteral("Command%1").arg(number),
                                                             Qt::FindDirectChildrenOnly)
                      : nullptr;
    }

    shell::FormsRuntime &runtime_;
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
        std::fputs("usage: sorvantel-bench-driver --host <host:port> [--cycles <n>]\n", stderr);
        return 2;
    }

    std::unique_ptr<ProgramSubject> subject;
    int programArgc = 1; // the program takes no command line
    const int status = shell::runProgram(
        programArgc, argv, catalogue::SiteHosts{host, host}, [&](shell::FormsRuntime &runtime) {
            subject = std::make_unique<ProgramSubject>(runtime);
            auto *script = new bench::Script(&runtime);
            if (cycles > 0)
                bench::buildCycleScript(*script, *subject, cycles);
            else
                bench::buildListeningScript(*script, *subject);
            script->start();
        });
    bench::reportEvent(QStringLiteral("exit"));
    return status;
}
