#include "TcpCollectorSource.h"

#include "CollectorRecord.h"

#include <QTcpSocket>

#include <algorithm>

namespace sorvik::collector
{

namespace
{
constexpr qint64 kSocketBufferBytes = 64 * 1024;
// After the system refused a connection for want of file handles.
constexpr int kRetryAcceptMs = 1000;
} // namespace

TcpCollectorSource::TcpCollectorSource(const QHostAddress& address, quint16 port,
                                       int maxConnections, int idleSeconds, QObject* parent)
    : CollectorSource(parent), m_address(address), m_port(port),
      m_maxConnections(std::max(1, maxConnections)), m_idleSeconds(std::max(0, idleSeconds))
{
    // Connections beyond the cap wait in the system's queue, not in accepted handles.
    m_server.setMaxPendingConnections(1);
    connect(&m_server, &QTcpServer::newConnection, this, &TcpCollectorSource::acceptConnections);
    connect(&m_server, &QTcpServer::acceptError, this, &TcpCollectorSource::onAcceptError);
    m_retryAccept.setSingleShot(true);
    m_retryAccept.setInterval(kRetryAcceptMs);
    connect(&m_retryAccept, &QTimer::timeout, this,
            [this] { setAccepting(int(m_connections.size()) < m_maxConnections); });
    // Looked at a few times per idle period, at least every half minute.
    m_idleCheck.setInterval(std::clamp(m_idleSeconds * 250, 100, 30000));
    connect(&m_idleCheck, &QTimer::timeout, this, &TcpCollectorSource::closeIdleConnections);
}

TcpCollectorSource::~TcpCollectorSource()
{
    stop();
}

bool TcpCollectorSource::start(QString* error)
{
    if (m_server.isListening())
        return true;
    if (!m_server.listen(m_address, m_port)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(describe(), m_server.errorString());
        return false;
    }
    m_accepting = true;
    if (m_idleSeconds > 0)
        m_idleCheck.start();
    return true;
}

void TcpCollectorSource::stop()
{
    // Instruments that connected and sent just before the stop are taken in too.
    for (int i = 0; m_server.isListening() && i < 64 && m_server.waitForNewConnection(0); ++i) {
    }
    m_server.close();
    m_idleCheck.stop();
    m_retryAccept.stop();
    while (!m_connections.empty())
        closeConnection(m_connections.back()->socket);
}

QString TcpCollectorSource::describe() const
{
    const quint16 port = m_server.isListening() ? m_server.serverPort() : m_port;
    return QStringLiteral("TCP %1:%2").arg(m_address.toString()).arg(port);
}

void TcpCollectorSource::acceptConnections()
{
    while (int(m_connections.size()) < m_maxConnections) {
        QTcpSocket* socket = m_server.nextPendingConnection();
        if (!socket)
            break;
        socket->setParent(this);
        socket->setReadBufferSize(kSocketBufferBytes);
        auto connection = std::make_unique<Connection>();
        connection->socket = socket;
        connection->quiet.start();
        m_connections.push_back(std::move(connection));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            if (Connection* c = find(socket))
                read(*c, false);
        });
        connect(socket, &QTcpSocket::disconnected, this,
                [this, socket] { closeConnection(socket); });
        // Bytes may have arrived before the signals were connected.
        read(*m_connections.back(), false);
    }
    if (int(m_connections.size()) >= m_maxConnections)
        setAccepting(false);
}

void TcpCollectorSource::setAccepting(bool accepting)
{
    if (accepting == m_accepting || !m_server.isListening())
        return;
    m_accepting = accepting;
    if (accepting) {
        m_server.resumeAccepting();
        acceptConnections(); // the one the listener may hold already
    } else {
        m_server.pauseAccepting();
    }
}

void TcpCollectorSource::onAcceptError(QAbstractSocket::SocketError error)
{
    // Out of file handles: the listener has stopped itself; it tries again in a moment instead
    // of spinning on a queue it cannot take from, or staying deaf for good.
    qWarning("collector: cannot accept a connection (%d): %s", int(error),
             qUtf8Printable(m_server.errorString()));
    m_accepting = false;
    m_server.pauseAccepting();
    m_retryAccept.start();
}

void TcpCollectorSource::closeIdleConnections()
{
    const qint64 limitMs = qint64(m_idleSeconds) * 1000;
    std::vector<QTcpSocket*> idle;
    for (const auto& c : m_connections)
        if (c->quiet.hasExpired(limitMs) && c->socket->bytesAvailable() == 0)
            idle.push_back(c->socket);
    for (QTcpSocket* socket : idle) {
        qWarning("collector: closing %s, silent for %d s",
                 qUtf8Printable(socket->peerAddress().toString()), m_idleSeconds);
        closeConnection(socket);
    }
}

TcpCollectorSource::Connection* TcpCollectorSource::find(QTcpSocket* socket)
{
    for (auto& c : m_connections)
        if (c->socket == socket)
            return c.get();
    return nullptr;
}

void TcpCollectorSource::read(Connection& c, bool all)
{
    while (c.socket->bytesAvailable() > 0) {
        if (!all && m_records.size() >= kMaxPendingBytes)
            return;
        c.quiet.start();
        c.buffer.append(c.socket->read(kSocketBufferBytes));
        const QByteArray whole = c.buffer.takeWhole();
        if (!whole.isEmpty()) {
            m_records.append(whole);
            emit recordsReceived(whole);
        }
    }
}

void TcpCollectorSource::closeConnection(QTcpSocket* socket)
{
    auto it = std::find_if(m_connections.begin(), m_connections.end(),
                           [socket](const auto& c) { return c->socket == socket; });
    if (it == m_connections.end())
        return;
    std::unique_ptr<Connection> c = std::move(*it);
    m_connections.erase(it);
    // What the sender got through before it went is kept, also bytes that reached this machine
    // but were not read yet; a record left unfinished can no longer be completed.
    read(*c, true);
    while (socket->state() == QAbstractSocket::ConnectedState && socket->waitForReadyRead(0))
        read(*c, true);
    if (const qsizetype lost = c->buffer.dropTail())
        qWarning("collector: %s closed with an unfinished record (%lld bytes)",
                 qUtf8Printable(socket->peerAddress().toString()), qlonglong(lost));
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    if (!m_accepting && !m_retryAccept.isActive() && int(m_connections.size()) < m_maxConnections)
        setAccepting(true);
}

qsizetype TcpCollectorSource::unfinishedBytes() const
{
    qsizetype bytes = 0;
    for (const auto& c : m_connections)
        bytes += c->buffer.tailSize();
    return bytes;
}

QByteArray TcpCollectorSource::takeRecords()
{
    QByteArray out = std::exchange(m_records, QByteArray());
    // Room again: fetch what was held back in the sockets.
    for (auto& c : m_connections)
        read(*c, false);
    return out;
}

} // namespace sorvik::collector
