#pragma once

#include <catalogue/listen_url.h>
#include <shell/appearance.h>
#include <shell/browser_pane.h>
#include <shell/forms_runtime.h>
#include <shell/recitation_page.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTest>
#include <QWebEngineProfile>

#include <memory>

namespace testsupport {

// A runtime on its own off-the-record profile, torn down in the program's
// order: windows first, then the profile they run on.
class ShellFixture
{
public:
    explicit ShellFixture(catalogue::SiteHosts hosts = {"dl.invalid", "lb.invalid"})
        : profile_(shell::createBrowserProfile())
        , runtime_(std::make_unique<shell::FormsRuntime>(*profile_, std::move(hosts)))
    {
    }
    ~ShellFixture()
    {
        runtime_.reset();
        profile_.reset();
    }

    shell::FormsRuntime &runtime() { return *runtime_; }
    QWebEngineProfile &profile() { return *profile_; }

    shell::RecitationPage *page(const QString &form)
    {
        return qobject_cast<shell::RecitationPage *>(runtime_->existing(form));
    }

private:
    std::unique_ptr<QWebEngineProfile> profile_;
    std::unique_ptr<shell::FormsRuntime> runtime_;
};

// Lets windows that were unloaded finish going.
inline void flushDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace testsupport

// A Qt Test main for tests that build windows with web views.
#define SORVANTEL_GUI_TEST_MAIN(TestObject)                                                        \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                \
        QApplication app(argc, argv);                                                              \
        shell::installFontFallbacks();                                                             \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
