// The instrument's side of the wire: one station at a time over TCP on the loopback.
#pragma once

#include "PersistentState.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace sorvik::instrument
{

class InstrumentServer : public QObject
{
    Q_OBJECT
public:
    explicit InstrumentServer(PersistentState& state, QObject* parent = nullptr);

    bool listen(quint16 port, QString* error);
    quint16 port() const { return m_server.serverPort(); }
    // Records a simulated result every interval while serving, as if pupils were being
    // tested on it; for demonstrations.
    void testPupilsEvery(int milliseconds);

    // Replies a station has not read yet, beyond which its requests are left unread (TCP
    // then holds the station back) until it reads.
    static constexpr qint64 kMaxUnreadReplyBytes = 64 * 1024;

private:
    void acceptConnection();
    void serveRequests();
    QByteArray handle(quint8 command, const QByteArray& payload, bool* closeAfter);
    wire::Status store(const StateChange& change);
    void compactIfChanged();

    PersistentState& m_state;
    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    QByteArray m_buffer; // at most one frame of the client's requests
    bool m_holdingBack = false;
    bool m_serving = false;
    QTimer m_testing;
    QTimer m_snapshotTimer;
};

} // namespace sorvik::instrument
