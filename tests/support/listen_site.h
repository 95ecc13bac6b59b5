#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

namespace testsupport {

// A small HTTP/1.1 server on 127.0.0.1 that stands in for both recitation
// sites. Every target other than the sound and the favicon gets a listen page
// whose <audio id="player"> loops /sound.wav, a tone generated in memory.
// Each answer closes its connection. Everything runs on the caller's event
// loop; no threads.
class ListenSite : public QObject
{
    Q_OBJECT

public:
    struct Request {
        QByteArray method;       // "GET"
        QByteArray target;       // exactly as sent, e.g. "/?iw_s=outdoor&name=%D8%A7..."
        QByteArray requestLine;  // "GET <target> HTTP/1.1", without the line break
        QByteArray hostHeader;   // value of the Host header, blanks trimmed; empty if none
        QList<QPair<QByteArray, QByteArray>> headers; // every header line, in order

        // The first header named `name` (any case); empty if there is none.
        QByteArray header(QByteArrayView name) const;
        // The target up to its '?'.
        QByteArray path() const;
    };

    explicit ListenSite(QObject *parent = nullptr);
    ~ListenSite() override;

    // Listens on 127.0.0.1:`port` (0: any free port). Listening again first
    // closes what is open. The recorded requests are kept.
    bool listen(quint16 port = 0);
    bool isListening() const;
    quint16 port() const;              // 0 when not listening
    QString host() const;              // "127.0.0.1:<port>"; empty when not listening
    QString errorString() const;       // why listen() failed
    // Stops listening and drops every open connection, stalled ones included.
    void close();

    QList<Request> requests() const;
    void clearRequests();
    // Requests for anything but /sound.wav and /favicon.ico.
    int listenPageRequests() const;
    QList<QByteArray> listenPageTargets() const;
    int soundRequests() const;
    int openConnections() const;

    // When on, a listen page is answered with its status line and headers
    // (Content-Length included) and then nothing: the connection stays open
    // until the client gives up or close() is called. The sound and the
    // favicon are answered as usual.
    void setStallAfterHead(bool stall);
    bool stallAfterHead() const;

    // The page answered for every target but the sound and the favicon, in
    // place of the listen page: a page that misbehaves as some sites do.
    // Empty (the default): the listen page.
    void setPage(const QByteArray &html) { m_page = html; }

    // The status line and extra header lines (each ending in CRLF) that a
    // listen page is answered with, in place of "200 OK" and none: a site
    // that asks for a password, say, answers "401 Unauthorized" with a
    // WWW-Authenticate header. Empty `status`: the default again.
    void setPageStatus(const QByteArray &status, const QByteArray &headers = {})
    {
        m_pageStatus = status;
        m_pageHeaders = headers;
    }

    // A 16-bit mono PCM WAV file holding a sine tone of `toneHz` sampled at
    // `sampleRate`, with short fades at both ends so that looping does not click.
    static QByteArray makeToneWav(double seconds, int toneHz = 440, int sampleRate = 22050);
    // The file served at /sound.wav.
    QByteArray soundWav() const;
    // The listen page served for `target` (also what a stalled answer withholds).
    static QByteArray listenPage(const QByteArray &target);

    static bool isSoundTarget(const QByteArray &target);
    static bool isFaviconTarget(const QByteArray &target);

signals:
    // Emitted once the whole head of a request has arrived, before it is answered.
    void requestArrived(const testsupport::ListenSite::Request &request);

private:
    struct Connection {
        QByteArray buffer;
        qsizetype bodyLeft = 0;   // request body bytes still to be read before answering
        bool headDone = false;
        bool answered = false;
        Request request;
    };

    void acceptConnections();
    void readFrom(QTcpSocket *socket);
    QByteArray pageFor(const QByteArray &target) const;
    void answer(QTcpSocket *socket, const Request &request);
    void sendSound(QTcpSocket *socket, const Request &request, bool withBody);
    void send(QTcpSocket *socket, const QByteArray &status, const QByteArray &contentType,
              const QByteArray &body, bool withBody, const QByteArray &extraHeaders = {});
    void refuse(QTcpSocket *socket, const QByteArray &status, const QByteArray &reason);
    void finish(QTcpSocket *socket);
    void drop(QTcpSocket *socket);

    QTcpServer m_server;
    QHash<QTcpSocket *, Connection> m_connections;
    QList<Request> m_requests;
    QByteArray m_sound;
    QByteArray m_page;
    QByteArray m_pageStatus;
    QByteArray m_pageHeaders;
    bool m_stallAfterHead = false;
};

} // namespace testsupport

Q_DECLARE_METATYPE(testsupport::ListenSite::Request)
