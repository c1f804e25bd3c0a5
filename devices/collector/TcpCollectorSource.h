#pragma once

#include "CollectorSource.h"
#include "RecordBuffer.h"

#include <QHostAddress>
#include <QTcpServer>

#include <memory>
#include <vector>

class QTcpSocket;

namespace sorvik::collector
{

// Listens for instruments or a gateway; several may be connected at once. Each connection has
// its own buffer, so a record is only ever made of one connection's bytes.
class TcpCollectorSource final : public CollectorSource
{
    Q_OBJECT
public:
    TcpCollectorSource(const QHostAddress& address, quint16 port, QObject* parent = nullptr);
    ~TcpCollectorSource() override;

    bool start(QString* error) override;
    void stop() override;
    bool isActive() const override { return m_server.isListening(); }
    QByteArray takeRecords() override;
    QString describe() const override;

    // The port listened on (the chosen one when constructed with 0).
    quint16 serverPort() const { return m_server.serverPort(); }
    int connectionCount() const { return int(m_connections.size()); }
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
    };

    void acceptConnections();
    void read(Connection& c, bool all);
    void closeConnection(QTcpSocket* socket);
    Connection* find(QTcpSocket* socket);

    QHostAddress m_address;
    quint16 m_port;
    QTcpServer m_server;
    std::vector<std::unique_ptr<Connection>> m_connections;
    QByteArray m_records;
};

} // namespace sorvik::collector
