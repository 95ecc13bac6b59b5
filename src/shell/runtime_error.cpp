#include "runtime_error.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace shell {

namespace {

bool hasScreen()
{
    const QString platform = QGuiApplication::platformName();
    return qApp && !platform.isEmpty() && platform != QLatin1String("offscreen")
        && platform != QLatin1String("minimal");
}

} // namespace

QString runtimeErrorText(const QString &object, const QString &operation, const QString &reason)
{
    return QStringLiteral("Run-time error: %1 on %2 failed: %3").arg(operation, object, reason);
}

void raiseRuntimeError(const QString &object, const QString &operation, const QString &reason)
{
    const QString text = runtimeErrorText(object, operation, reason);
    std::fprintf(stderr, "sorvantel: %s\n", qPrintable(text));
    std::fflush(stderr);
    if (hasScreen())
        QMessageBox::critical(nullptr, QStringLiteral("Sorvantel"), text);
    // No procedure may run after a run-time error, so the program stops here
    // rather than unwinding through the event loop.
    std::_Exit(EXIT_FAILURE);
}

} // namespace shell
