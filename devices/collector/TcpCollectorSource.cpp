#include "TcpCollectorSource.h"

#include "CollectorRecord.h"

#include <QTcpSocket>

#include <algorithm>

namespace sorvik::collector
{

namespace
{
constexpr qint64 kSocketBufferBytes = 64 * 1024;
}

TcpCollectorSource::TcpCollectorSource(const QHostAddress& address, quint16 port, QObject* parent)
    : CollectorSource(parent), m_address(address), m_port(port)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TcpCollectorSource::acceptConnections);
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
    return true;
}

void TcpCollectorSource::stop()
{
    // Instruments that connected and sent just before the stop are taken in too.
    for (int i = 0; m_server.isListening() && i < 64 && m_server.waitForNewConnection(0); ++i) {
    }
    m_server.close();
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
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        socket->setReadBufferSize(kSocketBufferBytes);
        auto connection = std::make_unique<Connection>();
        connection->socket = socket;
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
        c.buffer.append(c.socket->read(kSocketBufferBytes));
        m_records.append(c.buffer.takeWhole());
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
