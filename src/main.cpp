#include <catalogue/listen_url.h>
#include <shell/program.h>

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
bool sandboxTurnedOff()
{
    return qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")
            || qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").contains("--no-sandbox");
}
#endif

// The web engine will not start as root with its sandbox on, and its own
// report of that is a crash; say it plainly instead. Only POSIX systems have
// a root user to ask about.
bool rootWithSandbox()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0 && !sandboxTurnedOff();
#else
    return false;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    if (rootWithSandbox()) {
        std::fputs("sorvantel: the web engine cannot run as root with its sandbox on; run the "
                   "program as an ordinary user, or start it with scripts/run.\n",
                   stderr);
        return 1;
    }
    return shell::runProgram(argc, argv, catalogue::builtInHosts());
}
