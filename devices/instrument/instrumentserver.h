// The instrument's side of the wire: one station at a time over TCP on the loopback.
#pragma once

#include "instrumentstate.h"

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
    explicit InstrumentServer(InstrumentState& state, QObject* parent = nullptr);

    bool listen(quint16 port, QString* error);
    quint16 port() const { return server_.serverPort(); }
    // Records a simulated result every interval while serving, as if pupils were being
    // tested on it; for demonstrations.
    void testPupilsEvery(int milliseconds);

private:
    void acceptConnection();
    void readRequests();
    QByteArray handle(quint8 command, const QByteArray& payload, bool* closeAfter);
    void persist();

    InstrumentState& state_;
    QTcpServer server_;
    QPointer<QTcpSocket> client_;
    QByteArray buffer_;
    QTimer testing_;
};

} // namespace sorvik::instrument
