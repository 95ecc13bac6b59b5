#pragma once

// A site on 127.0.0.1 that answers every listen address with one page the
// test chooses: a page that misbehaves the way sites do (dialogs, a page that
// will not be left, a file chooser, storage). Pages report what they did by
// fetching /report/<what>, which the test waits for.

#include <listen_site.h>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

namespace testsupport {

class MisbehavingSite : public QObject
{
    Q_OBJECT
public:
    MisbehavingSite()
        : sound_(ListenSite::makeToneWav(2.0))
    {
        connect(&server_, &QTcpServer::newConnection, this, &MisbehavingSite::accept);
    }

    bool listen() { return server_.listen(QHostAddress::LocalHost); }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()); }

    // The page served for every target but /report/..., /sound.wav and the favicon.
    void setPage(const QByteArray &html) { page_ = html; }

    // Every target asked for, in the order the requests arrived.
    QList<QByteArray> targets() const { return targets_; }
    bool hasTarget(const QByteArray &target) const { return targets_.contains(target); }
    void clearTargets() { targets_.clear(); }
    // The listen addresses asked for (everything but reports, sound and favicon).
    QList<QByteArray> listenTargets() const
    {
        QList<QByteArray> found;
        for (const QByteArray &target : targets_) {
            if (target.startsWith("/?") || target.startsWith("/audio/"))
                found << target;
        }
        return found;
    }

private:
    void accept()
    {
        while (QTcpSocket *socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void read(QTcpSocket *socket)
    {
        QByteArray &buffer = buffers_[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        const QByteArray target = buffer.left(buffer.indexOf("\r\n")).split(' ').value(1);
        buffers_.remove(socket);
        targets_ << target;
        answer(socket, target);
    }

    void answer(QTcpSocket *socket, const QByteArray &target)
    {
        if (target == "/sound.wav")
            send(socket, "200 OK", "audio/wav", sound_);
        else if (target.startsWith("/report/") || target == "/favicon.ico")
            send(socket, "204 No Content", "text/plain", {});
        else
            send(socket, "200 OK", "text/html; charset=utf-8", page_);
    }

    static void send(QTcpSocket *socket, const QByteArray &status, const QByteArray &type,
                     const QByteArray &body)
    {
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: " + type
                      + "\r\nCache-Control: no-store\r\nContent-Length: "
                      + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QHash<QTcpSocket *, QByteArray> buffers_;
    QList<QByteArray> targets_;
    QByteArray page_;
    QByteArray sound_;
};

} // namespace testsupport
