#include "listen_site.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QUrl>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace testsupport {

namespace {

// A request head longer than this is refused; no browser sends one.
constexpr qsizetype kMaxHeadSize = 64 * 1024;

constexpr double kServedSoundSeconds = 3.0;
constexpr int kServedToneHz = 440;
constexpr int kServedSampleRate = 22050;

// Where the head ends and how long the blank line is that ends it. Bare LF
// line ends are taken too.
bool findHeadEnd(const QByteArray &buffer, qsizetype *headEnd, qsizetype *separatorSize)
{
    const qsizetype crlf = buffer.indexOf("\r\n\r\n");
    const qsizetype lf = buffer.indexOf("\n\n");
    if (crlf < 0 && lf < 0)
        return false;
    if (lf >= 0 && (crlf < 0 || lf < crlf)) {
        *headEnd = lf;
        *separatorSize = 2;
    } else {
        *headEnd = crlf;
        *separatorSize = 4;
    }
    return true;
}

// Splits "METHOD SP target SP HTTP/x.y". The target runs from the first blank
// to the last one, so a target that arrives with a raw blank in it is still
// recorded as it came.
bool parseRequestLine(const QByteArray &line, QByteArray *method, QByteArray *target)
{
    const qsizetype first = line.indexOf(' ');
    const qsizetype last = line.lastIndexOf(' ');
    if (first <= 0 || last <= first + 1)
        return false;
    if (!line.mid(last + 1).startsWith("HTTP/"))
        return false;
    *method = line.left(first);
    *target = line.mid(first + 1, last - first - 1);
    return true;
}

QByteArray htmlText(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

} // namespace

QByteArray ListenSite::Request::header(QByteArrayView name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QByteArray ListenSite::Request::path() const
{
    const qsizetype query = target.indexOf('?');
    return query < 0 ? target : target.left(query);
}

ListenSite::ListenSite(QObject *parent)
    : QObject(parent)
    , m_sound(makeToneWav(kServedSoundSeconds, kServedToneHz, kServedSampleRate))
{
    connect(&m_server, &QTcpServer::newConnection, this, &ListenSite::acceptConnections);
}

ListenSite::~ListenSite()
{
    close();
}

bool ListenSite::listen(quint16 port)
{
    if (m_server.isListening())
        close();
    return m_server.listen(QHostAddress::LocalHost, port);
}

bool ListenSite::isListening() const
{
    return m_server.isListening();
}

quint16 ListenSite::port() const
{
    return m_server.isListening() ? m_server.serverPort() : 0;
}

QString ListenSite::host() const
{
    if (!m_server.isListening())
        return {};
    return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort());
}

QString ListenSite::errorString() const
{
    return m_server.errorString();
}

void ListenSite::close()
{
    m_server.close();
    const QList<QTcpSocket *> sockets = m_connections.keys();
    m_connections.clear();
    for (QTcpSocket *socket : sockets) {
        // Nothing of ours may run for these sockets any more, and close() may be
        // called from inside one of their own signals: hence deleteLater.
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

QList<ListenSite::Request> ListenSite::requests() const
{
    return m_requests;
}

void ListenSite::clearRequests()
{
    m_requests.clear();
}

int ListenSite::listenPageRequests() const
{
    return int(std::count_if(m_requests.cbegin(), m_requests.cend(), [](const Request &r) {
        return !isSoundTarget(r.target) && !isFaviconTarget(r.target);
    }));
}

QList<QByteArray> ListenSite::listenPageTargets() const
{
    QList<QByteArray> targets;
    for (const Request &r : m_requests) {
        if (!isSoundTarget(r.target) && !isFaviconTarget(r.target))
            targets.append(r.target);
    }
    return targets;
}

int ListenSite::soundRequests() const
{
    return int(std::count_if(m_requests.cbegin(), m_requests.cend(),
                             [](const Request &r) { return isSoundTarget(r.target); }));
}

int ListenSite::openConnections() const
{
    return int(m_connections.size());
}

void ListenSite::setStallAfterHead(bool stall)
{
    m_stallAfterHead = stall;
}

bool ListenSite::stallAfterHead() const
{
    return m_stallAfterHead;
}

QByteArray ListenSite::makeToneWav(double seconds, int toneHz, int sampleRate)
{
    sampleRate = std::max(sampleRate, 1);
    if (!(seconds > 0)) // NaN too
        seconds = 0;
    // The RIFF sizes are 32 bits wide.
    constexpr double maxFrames = (std::numeric_limits<quint32>::max() - 36) / 2;
    const auto frames = qint64(std::min(std::round(seconds * sampleRate), maxFrames));
    const qint64 fadeFrames = std::min<qint64>(frames / 2, sampleRate / 100); // 10 ms
    const auto dataSize = quint32(frames * 2);

    QByteArray wav(44 + qsizetype(dataSize), Qt::Uninitialized);
    char *p = wav.data();
    auto put4 = [&p](const char *tag) { std::copy_n(tag, 4, p); p += 4; };
    auto put32 = [&p](quint32 v) { qToLittleEndian(v, p); p += 4; };
    auto put16 = [&p](quint16 v) { qToLittleEndian(v, p); p += 2; };

    put4("RIFF");
    put32(36 + dataSize);
    put4("WAVE");
    put4("fmt ");
    put32(16);                      // size of the fmt chunk
    put16(1);                       // PCM
    put16(1);                       // mono
    put32(quint32(sampleRate));
    put32(quint32(sampleRate) * 2); // bytes per second
    put16(2);                       // bytes per frame
    put16(16);                      // bits per sample
    put4("data");
    put32(dataSize);

    constexpr double amplitude = 0.3 * 32767;
    const double step = 2 * std::numbers::pi * toneHz / sampleRate;
    for (qint64 i = 0; i < frames; ++i) {
        double gain = 1.0;
        if (fadeFrames > 0) {
            const qint64 edge = std::min(i, frames - 1 - i);
            if (edge < fadeFrames)
                gain = double(edge) / double(fadeFrames);
        }
        const auto sample = qint16(std::lround(amplitude * gain * std::sin(step * double(i))));
        put16(quint16(sample));
    }
    return wav;
}

QByteArray ListenSite::soundWav() const
{
    return m_sound;
}

QByteArray ListenSite::listenPage(const QByteArray &target)
{
    QByteArray page = "<!doctype html><meta charset=utf-8><title>listen</title>"
                      "<audio id=\"player\" src=\"/sound.wav\" autoplay loop></audio>\n";
    page += "<p>Local listen site, asked for <code id=\"target\">"
            + htmlText(QString::fromUtf8(target)) + "</code></p>\n";
    page += "<p id=\"decoded\">" + htmlText(QUrl::fromPercentEncoding(target)) + "</p>\n";
    return page;
}

bool ListenSite::isSoundTarget(const QByteArray &target)
{
    return target == "/sound.wav" || target.startsWith("/sound.wav?");
}

bool ListenSite::isFaviconTarget(const QByteArray &target)
{
    return target == "/favicon.ico" || target.startsWith("/favicon.ico?");
}

void ListenSite::acceptConnections()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        m_connections.insert(socket, Connection{});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
        // Bytes may have come with the connection itself.
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void ListenSite::readFrom(QTcpSocket *socket)
{
    auto it = m_connections.find(socket);
    const QByteArray data = socket->readAll();
    if (it == m_connections.end() || it->answered)
        return;

    if (it->headDone) {
        it->bodyLeft -= data.size();
    } else {
        it->buffer += data;
        qsizetype headEnd = 0;
        qsizetype separatorSize = 0;
        if (!findHeadEnd(it->buffer, &headEnd, &separatorSize)) {
            if (it->buffer.size() > kMaxHeadSize) {
                it->answered = true;
                refuse(socket, "431 Request Header Fields Too Large", "request head too large");
            }
            return;
        }

        QList<QByteArray> lines = it->buffer.left(headEnd).split('\n');
        const qsizetype bodyReceived = it->buffer.size() - headEnd - separatorSize;
        it->buffer.clear();
        it->headDone = true;
        for (QByteArray &line : lines) {
            if (line.endsWith('\r'))
                line.chop(1);
        }

        Request request;
        request.requestLine = lines.takeFirst();
        if (!parseRequestLine(request.requestLine, &request.method, &request.target)) {
            it->answered = true;
            refuse(socket, "400 Bad Request", "bad request line");
            return;
        }
        for (const QByteArray &line : std::as_const(lines)) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        request.hostHeader = request.header("Host");

        // A body is read and thrown away before answering, so that closing
        // the connection does not reset it under the client's feet.
        bool lengthOk = true;
        const QByteArray length = request.header("Content-Length");
        const qint64 bodySize = length.isEmpty() ? 0 : length.toLongLong(&lengthOk);
        if (!lengthOk || bodySize < 0) {
            it->answered = true;
            refuse(socket, "400 Bad Request", "bad content length");
            return;
        }
        it->bodyLeft = bodySize - bodyReceived;
        it->request = request;
        m_requests.append(request);

        // A receiver may close the site, or spin an event loop, in here.
        const QPointer<QTcpSocket> guard(socket);
        emit requestArrived(request);
        if (!guard)
            return;
        it = m_connections.find(socket);
        if (it == m_connections.end() || it->answered)
            return;
    }

    if (it->bodyLeft > 0)
        return;
    it->answered = true;
    const Request request = it->request;
    answer(socket, request);
}

QByteArray ListenSite::pageFor(const QByteArray &target) const
{
    return m_page.isEmpty() ? listenPage(target) : m_page;
}

void ListenSite::answer(QTcpSocket *socket, const Request &request)
{
    const bool withBody = request.method != "HEAD";
    if (isSoundTarget(request.target)) {
        sendSound(socket, request, withBody);
    } else if (isFaviconTarget(request.target)) {
        send(socket, "404 Not Found", "text/plain; charset=utf-8", "not found\n", withBody);
    } else if (m_stallAfterHead) {
        // The head promises a body that never comes; the socket stays open.
        send(socket, "200 OK", "text/html; charset=utf-8", pageFor(request.target), false);
        return;
    } else {
        const QByteArray status = m_pageStatus.isEmpty() ? QByteArray("200 OK") : m_pageStatus;
        send(socket, status, "text/html; charset=utf-8", pageFor(request.target), withBody,
             m_pageHeaders);
    }
    finish(socket);
}

void ListenSite::refuse(QTcpSocket *socket, const QByteArray &status, const QByteArray &reason)
{
    send(socket, status, "text/plain; charset=utf-8", reason + '\n', true);
    finish(socket);
}

// The media stack of the web engine asks for byte ranges ("bytes=0-" first of
// all) and plays most reliably when it gets 206 answers, so single ranges are
// honoured. Anything fancier is answered with the whole file, which HTTP allows.
void ListenSite::sendSound(QTcpSocket *socket, const Request &request, bool withBody)
{
    const QByteArray contentType = "audio/wav";
    const QByteArray acceptRanges = "Accept-Ranges: bytes\r\n";
    const qint64 size = m_sound.size();

    const QByteArray range = request.header("Range");
    if (range.startsWith("bytes=") && !range.contains(',')) {
        const QByteArray spec = range.mid(6).trimmed();
        const qsizetype dash = spec.indexOf('-');
        const QByteArray firstText = dash < 0 ? QByteArray() : spec.left(dash).trimmed();
        const QByteArray lastText = dash < 0 ? QByteArray() : spec.mid(dash + 1).trimmed();
        bool firstOk = false;
        bool lastOk = false;
        const qint64 first = firstText.toLongLong(&firstOk);
        const qint64 last = lastText.toLongLong(&lastOk);

        qint64 start = -1;
        qint64 end = -1;
        bool unsatisfiable = false;
        if (dash >= 0 && firstText.isEmpty() && lastOk && last >= 0) {
            // "bytes=-N": the last N bytes.
            if (last == 0 || size == 0) {
                unsatisfiable = true;
            } else {
                start = std::max<qint64>(0, size - last);
                end = size - 1;
            }
        } else if (dash >= 0 && firstOk && first >= 0
                   && (lastText.isEmpty() || (lastOk && last >= first))) {
            if (first >= size) {
                unsatisfiable = true;
            } else {
                start = first;
                end = lastText.isEmpty() ? size - 1 : std::min(last, size - 1);
            }
        }

        if (unsatisfiable) {
            send(socket, "416 Range Not Satisfiable", contentType, {}, withBody,
                 acceptRanges + "Content-Range: bytes */" + QByteArray::number(size) + "\r\n");
            return;
        }
        if (start >= 0) {
            const QByteArray contentRange = "Content-Range: bytes " + QByteArray::number(start)
                    + '-' + QByteArray::number(end) + '/' + QByteArray::number(size) + "\r\n";
            send(socket, "206 Partial Content", contentType, m_sound.mid(start, end - start + 1),
                 withBody, acceptRanges + contentRange);
            return;
        }
    }
    send(socket, "200 OK", contentType, m_sound, withBody, acceptRanges);
}

void ListenSite::send(QTcpSocket *socket, const QByteArray &status, const QByteArray &contentType,
                      const QByteArray &body, bool withBody, const QByteArray &extraHeaders)
{
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    QByteArray head = "HTTP/1.1 " + status + "\r\n";
    head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    head += "Cache-Control: no-store\r\n";
    head += "Connection: close\r\n";
    head += extraHeaders;
    head += "\r\n";
    socket->write(withBody ? head + body : head);
}

// Closes once everything written has gone out; drop() follows on disconnected.
void ListenSite::finish(QTcpSocket *socket)
{
    if (socket->state() == QAbstractSocket::ConnectedState)
        socket->disconnectFromHost();
}

void ListenSite::drop(QTcpSocket *socket)
{
    m_connections.remove(socket);
    socket->deleteLater();
}

} // namespace testsupport
