#pragma once

#include <catalogue/listen_url.h>
#include <shell/appearance.h>
#include <shell/browser_pane.h>
#include <shell/forms_runtime.h>
#include <shell/recitation_page.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTest>

#include <memory>

namespace testsupport {

// A runtime of the program's own, with the hosts a test points it at.
class ShellFixture
{
public:
    explicit ShellFixture(catalogue::SiteHosts hosts = {"dl.invalid", "lb.invalid"})
        : runtime_(std::make_unique<shell::FormsRuntime>(std::move(hosts)))
    {
    }

    shell::FormsRuntime &runtime() { return *runtime_; }

    shell::RecitationPage *page(const QString &form)
    {
        return qobject_cast<shell::RecitationPage *>(runtime_->existing(form));
    }

private:
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
