#pragma once

#include "CollectorSource.h"
#include "RecordBuffer.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>

#include <memory>
#include <vector>

class QTcpSocket;

namespace sorvik::collector
{

// Listens for instruments or a gateway; several may be connected at once. Each connection has
// its own buffer, so a record is only ever made of one connection's bytes. At most
// maxConnections are served at a time: beyond that the listener stops accepting (further
// instruments wait in the system's queue) instead of running out of file handles; a connection
// that sent nothing for idleSeconds (0: never) is closed.
class TcpCollectorSource final : public CollectorSource
{
    Q_OBJECT
public:
    TcpCollectorSource(const QHostAddress& address, quint16 port, int maxConnections = 256,
                       int idleSeconds = 1800, QObject* parent = nullptr);
    ~TcpCollectorSource() override;

    bool start(QString* error) override;
    void stop() override;
    bool isActive() const override { return m_server.isListening(); }
    QByteArray takeRecords() override;
    QString describe() const override;

    // The port listened on (the chosen one when constructed with 0).
    quint16 serverPort() const { return m_server.serverPort(); }
    int connectionCount() const { return int(m_connections.size()); }
    // Whether new connections are taken now (false at the cap, or for a moment after the
    // system had no file handle to give).
    bool isAccepting() const { return m_accepting; }
    // Bytes of whole records received and not yet taken.
    qsizetype pendingBytes() const { return m_records.size(); }
    // Bytes received of records not yet complete, over all connections.
    qsizetype unfinishedBytes() const;

    // Whole records held back unread beyond this stay in the sockets, so a sender that outruns
    // the station is slowed down by TCP instead of filling memory.
    static constexpr qsizetype kMaxPendingBytes = 4 * 1024 * 1024;

private:
    struct Connection {
        QTcpSocket* socket = nullptr;
        RecordBuffer buffer;
        QElapsedTimer quiet; // since its last bytes
    };

    void acceptConnections();
    void setAccepting(bool accepting);
    void onAcceptError(QAbstractSocket::SocketError error);
    void closeIdleConnections();
    void read(Connection& c, bool all);
    void closeConnection(QTcpSocket* socket);
    Connection* find(QTcpSocket* socket);

    QHostAddress m_address;
    quint16 m_port;
    int m_maxConnections;
    int m_idleSeconds;
    bool m_accepting = true;
    QTcpServer m_server;
    QTimer m_idleCheck;
    QTimer m_retryAccept;
    std::vector<std::unique_ptr<Connection>> m_connections;
    QByteArray m_records;
};

} // namespace sorvik::collector
