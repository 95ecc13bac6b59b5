// listen-site [port] [--stall-after-head]
//
// Serves the local listen site on 127.0.0.1:<port> (8765 unless given) and
// writes the request line of every request to stdout, one a line. Stops on
// SIGINT or SIGTERM.

#include "listen_site.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalFds[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    // Nothing else is safe in here; the event loop picks the byte up.
    [[maybe_unused]] const ssize_t written = ::write(g_signalFds[0], &byte, 1);
}

bool installStopHandlers()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0)
        return false;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

void usage()
{
    std::fputs("usage: listen-site [port] [--stall-after-head]\n", stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    quint16 port = 8765;
    bool stall = false;
    const QStringList args = app.arguments().mid(1);
    bool portSeen = false;
    for (const QString &arg : args) {
        if (arg == QLatin1String("--stall-after-head")) {
            stall = true;
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            usage();
            return 0;
        } else if (!portSeen) {
            bool ok = false;
            const uint value = arg.toUInt(&ok);
            if (!ok || value > 65535) {
                usage();
                return 2;
            }
            port = quint16(value);
            portSeen = true;
        } else {
            usage();
            return 2;
        }
    }

    if (!installStopHandlers()) {
        std::perror("listen-site: signal handlers");
        return 1;
    }
    QSocketNotifier stopNotifier(g_signalFds[1], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(g_signalFds[1], &byte, 1);
        QCoreApplication::quit();
    });

    testsupport::ListenSite site;
    site.setStallAfterHead(stall);
    QObject::connect(&site, &testsupport::ListenSite::requestArrived, &site,
                     [](const testsupport::ListenSite::Request &request) {
                         const QByteArray line = request.requestLine + '\n';
                         std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
                         std::fflush(stdout);
                     });
    if (!site.listen(port)) {
        std::fprintf(stderr, "listen-site: cannot listen on 127.0.0.1:%u: %s\n", unsigned(port),
                     qPrintable(site.errorString()));
        return 1;
    }
    std::fprintf(stderr, "listen-site: serving http://%s/%s\n", qPrintable(site.host()),
                 stall ? " (listen pages stall after their head)" : "");

    const int rc = app.exec();
    site.close();
    std::fputs("listen-site: stopped\n", stderr);
    return rc;
}
