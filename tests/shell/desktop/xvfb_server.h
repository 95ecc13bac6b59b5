#pragma once

// A private X server for suites that meet the program as a desktop user does:
// Xvfb with its GLX, on a display number that the server picks itself, so
// that suites running side by side never share one.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <unistd.h>

namespace testsupport {

class XvfbServer
{
public:
    ~XvfbServer()
    {
        server_.kill();
        server_.waitForFinished();
    }

    // Starts the server and returns once it takes connections; the display
    // name (":N") is then display(). False, with errorString(), otherwise.
    bool start()
    {
        int ready[2];
        if (::pipe(ready) != 0) {
            error_ = QStringLiteral("no pipe");
            return false;
        }
        server_.setProgram(QStringLiteral("Xvfb"));
        server_.setArguments({QStringLiteral("-displayfd"), QString::number(ready[1]),
                              QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("1280x1024x24"), QStringLiteral("+extension"),
                              QStringLiteral("GLX"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start();
        ::close(ready[1]);
        // The server writes its display number once it listens; if it dies
        // first, the pipe ends with nothing written.
        const QByteArray number = readLine(ready[0]);
        ::close(ready[0]);
        if (number.isEmpty()) {
            error_ = QStringLiteral("Xvfb did not start: %1").arg(server_.errorString());
            return false;
        }
        display_ = QLatin1Char(':') + QString::fromLatin1(number);
        return true;
    }

    QString display() const { return display_; }
    QString errorString() const { return error_; }

private:
    static QByteArray readLine(int fd)
    {
        QByteArray line;
        char c = 0;
        while (::read(fd, &c, 1) == 1 && c != '\n')
            line += c;
        return line.trimmed();
    }

    QProcess server_;
    QString display_;
    QString error_;
};

} // namespace testsupport
