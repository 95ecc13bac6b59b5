#include <catalogue/listen_url.h>
#include <shell/program.h>

#include <cstdio>
#include <QByteArray>
#include <unistd.h>

namespace {

// The web engine will not start as root with its sandbox on, and its own
// report of that is a crash; say it plainly instead.
bool rootWithSandbox() { return ::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") && !qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").contains("--no-sandbox"); }

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
