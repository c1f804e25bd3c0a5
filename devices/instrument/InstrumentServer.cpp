#include "InstrumentServer.h"

#include "Simulator.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <algorithm>
#include <cstdio>

#include <sys/socket.h>

namespace sorvik::instrument
{

namespace
{

using namespace Qt::StringLiterals;

// Changes since the last snapshot beyond which one is written at once, so the journal stays
// quick to read back even if no station ever says goodbye.
constexpr int kMaxJournalEntries = 10000;
// After an exchange, the journal is folded into a snapshot once the line has been quiet this
// long, so a station that comes straight back does not wait for it.
constexpr int kQuietBeforeSnapshotMs = 1000;
// The kernel's share of unread replies, kept small so the bound above means something.
constexpr int kSendBufferBytes = 64 * 1024;

void logLine(const QString& text)
{
    const QString line =
        u"%1 %2\n"_s.arg(QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s), text);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

const char* commandName(quint8 command)
{
    switch (command) {
    case wire::Hello:
        return "HELLO";
    case wire::WriteClass:
        return "WRITE-CLASS";
    case wire::WritePupil:
        return "WRITE-PUPIL";
    case wire::Counts:
        return "COUNTS";
    case wire::ClassInfo:
        return "CLASS-INFO";
    case wire::ReadRecord:
        return "READ-RECORD";
    case wire::Format:
        return "FORMAT";
    case wire::Counts2:
        return "COUNTS2";
    case wire::Mode:
        return "MODE";
    case wire::Goodbye:
        return "GOODBYE";
    case wire::ReadRecords:
        return "READ-RECORDS";
    default:
        return "UNKNOWN";
    }
}

QByteArray u16(unsigned v)
{
    std::vector<std::uint8_t> b;
    wire::put16(b, v);
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

QByteArray u32(std::uint32_t v)
{
    std::vector<std::uint8_t> b;
    wire::put32(b, v);
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

QByteArray status(wire::Status s)
{
    return QByteArray(1, char(s));
}

const std::uint8_t* bytes(const QByteArray& a)
{
    return reinterpret_cast<const std::uint8_t*>(a.constData());
}

// Whether the station has closed its end: it gave up waiting (the library drops a connection
// whose reply is late), so what it asked last must not be done behind its back.
bool stationHungUp(const QTcpSocket& socket)
{
    char next = 0;
    return ::recv(int(socket.socketDescriptor()), &next, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

QByteArray replyFrame(quint8 command, std::uint32_t sequence, const QByteArray& payload)
{
    const auto f = wire::frame(command | wire::ReplyBit, sequence,
                               std::vector<std::uint8_t>(payload.begin(), payload.end()));
    return QByteArray(reinterpret_cast<const char*>(f.data()), qsizetype(f.size()));
}

} // namespace

InstrumentServer::InstrumentServer(PersistentState& state, QObject* parent)
    : QObject(parent), m_state(state)
{
    connect(&m_server, &QTcpServer::newConnection, this, &InstrumentServer::acceptConnection);
    m_snapshotTimer.setSingleShot(true);
    m_snapshotTimer.setInterval(kQuietBeforeSnapshotMs);
    connect(&m_snapshotTimer, &QTimer::timeout, this, &InstrumentServer::compactIfChanged);
}

void InstrumentServer::testPupilsEvery(int milliseconds)
{
    m_testing.setInterval(milliseconds);
    connect(&m_testing, &QTimer::timeout, this, [this] {
        // Nothing to do until the station has downloaded pupils.
        if (m_state.state().pupilCount() == 0)
            return;
        QList<StateChange> changes;
        QString error;
        if (!simulateResults(m_state.state(), 1, QRandomGenerator::global()->generate(),
                             QDate::currentDate(), changes, &error))
            return;
        if (store(changes.first()) == wire::Ok)
            logLine(u"a pupil was tested"_s);
    });
    m_testing.start();
}

bool InstrumentServer::listen(quint16 port, QString* error)
{
    if (!m_server.listen(QHostAddress::LocalHost, port)) {
        *error = m_server.errorString();
        return false;
    }
    return true;
}

void InstrumentServer::acceptConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        // A new handshake takes the line over: the old station may have crashed or left a
        // half-open connection behind, and a real instrument has only one cable.
        if (m_client) {
            logLine(u"new station connected, dropping the previous one"_s);
            m_client->disconnect(this);
            m_client->abort();
            m_client->deleteLater();
        }
        m_client = socket;
        m_snapshotTimer.stop();
        m_buffer.clear();
        m_holdingBack = false;
        // Requests beyond one frame stay in the socket while replies go unread.
        socket->setReadBufferSize(qint64(wire::MaxFrame));
        socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kSendBufferBytes);
        logLine(u"station connected from %1:%2"_s.arg(socket->peerAddress().toString())
                    .arg(socket->peerPort()));
        connect(socket, &QTcpSocket::readyRead, this, &InstrumentServer::serveRequests);
        connect(socket, &QTcpSocket::bytesWritten, this, &InstrumentServer::serveRequests);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            logLine(u"station disconnected"_s);
            socket->deleteLater();
            if (socket == m_client)
                m_snapshotTimer.start();
        });
    }
}

void InstrumentServer::serveRequests()
{
    // flush() and disconnectFromHost() may signal back into here; the loop below goes on.
    if (m_serving)
        return;
    m_serving = true;
    const auto served = qScopeGuard([this] { m_serving = false; });
    QTcpSocket* socket = m_client;
    while (socket && socket->state() == QAbstractSocket::ConnectedState) {
        if (socket->bytesToWrite() >= kMaxUnreadReplyBytes) {
            if (!m_holdingBack)
                logLine(u"the station does not read its replies: its requests wait until it "
                        u"does (%1 bytes unread)"_s.arg(socket->bytesToWrite()));
            m_holdingBack = true;
            return; // bytesWritten comes back here
        }
        if (m_holdingBack) {
            logLine(u"the station reads its replies again"_s);
            m_holdingBack = false;
        }
        if (m_buffer.size() < qsizetype(wire::MaxFrame))
            m_buffer += socket->read(qint64(wire::MaxFrame) - m_buffer.size());
        if (m_buffer.size() < qsizetype(wire::HeaderSize))
            return;
        const auto* h = bytes(m_buffer);
        const std::size_t size = wire::get16(h + wire::LengthOffset);
        if (h[0] != wire::Magic0 || h[1] != wire::Magic1 || size > wire::MaxPayload) {
            logLine(u"garbage from the station, closing the connection"_s);
            m_buffer.clear();
            socket->abort();
            return;
        }
        if (m_buffer.size() < qsizetype(wire::HeaderSize + size))
            return;
        const quint8 command = h[2];
        const std::uint32_t sequence = wire::get32(h + wire::SequenceOffset);
        const QByteArray payload = m_buffer.mid(wire::HeaderSize, qsizetype(size));
        m_buffer.remove(0, qsizetype(wire::HeaderSize + size));
        if (stationHungUp(*socket)) {
            logLine(u"the station hung up before %1 was served: not carried out"_s.arg(
                QString::fromLatin1(commandName(command))));
            m_buffer.clear();
            socket->abort();
            return;
        }
        bool closeAfter = false;
        socket->write(replyFrame(command, sequence, handle(command, payload, &closeAfter)));
        if (closeAfter) {
            socket->flush();
            socket->disconnectFromHost();
            m_snapshotTimer.start();
            return;
        }
        if (m_state.journalEntries() >= kMaxJournalEntries) {
            socket->flush();
            compactIfChanged();
        }
    }
}

wire::Status InstrumentServer::store(const StateChange& change)
{
    QString error;
    if (m_state.commit(change, &error))
        return wire::Ok;
    logLine(u"ERROR: not stored, cannot save the state: "_s + error);
    return wire::Failed;
}

void InstrumentServer::compactIfChanged()
{
    if (m_state.journalEntries() == 0)
        return;
    QElapsedTimer took;
    took.start();
    QString error;
    if (!m_state.compact(&error)) {
        logLine(u"ERROR: cannot write a snapshot (the journal keeps every change): "_s + error);
        return;
    }
    logLine(u"snapshot written in %1 ms"_s.arg(took.elapsed()));
}

QByteArray InstrumentServer::handle(quint8 command, const QByteArray& payload, bool* closeAfter)
{
    const InstrumentState& state = m_state.state();
    const auto* p = bytes(payload);
    const qsizetype n = payload.size();
    QByteArray reply;
    QString detail;
    switch (command) {
    case wire::Hello: {
        const bool ok = payload == QByteArray::fromStdString(std::string(wire::HelloText));
        reply = status(ok ? wire::Ok : wire::Refused);
        break;
    }
    case wire::Mode:
        reply = status(n == 2 ? wire::Ok : wire::Refused);
        if (n == 2)
            detail = u"%1,%2"_s.arg(p[0]).arg(p[1]);
        break;
    case wire::WriteClass: {
        if (n < 2) {
            reply = status(wire::Refused);
            break;
        }
        const int size = int(wire::get16(p));
        StateChange change;
        wire::Status s = state.planClass(payload.mid(2), size, change);
        if (s == wire::Ok)
            s = store(change);
        detail = u"%1 pupils, name %2"_s.arg(size).arg(QString::fromLatin1(payload.mid(2).toHex()));
        reply = status(s);
        break;
    }
    case wire::WritePupil: {
        const qsizetype numberSize = n >= 1 ? p[0] : 0;
        if (n < 1 || n < 1 + numberSize) {
            reply = status(wire::Refused);
            break;
        }
        const QByteArray number = payload.mid(1, numberSize);
        StateChange change;
        wire::Status s = state.planPupil(number, payload.mid(1 + numberSize), change);
        if (s == wire::Ok)
            s = store(change);
        detail = u"number %1"_s.arg(QString::fromLatin1(number.toHex()));
        reply = status(s);
        break;
    }
    case wire::Counts:
        reply = status(wire::Ok) + u16(unsigned(state.classCount())) +
                u16(unsigned(state.pupilCount()));
        break;
    case wire::Counts2:
        reply = status(wire::Ok) + u16(unsigned(state.classCount())) +
                u32(std::uint32_t(state.recordCount()));
        break;
    case wire::ClassInfo: {
        const SchoolClass* c = n == 2 ? state.classAt(int(wire::get16(p))) : nullptr;
        detail = n == 2 ? QString::number(wire::get16(p)) : QString();
        reply = c ? status(wire::Ok) + u32(std::uint32_t(c->records.size())) + c->name
                  : status(wire::Failed);
        break;
    }
    case wire::ReadRecord: {
        const SchoolClass* c = n == 6 ? state.classAt(int(wire::get16(p))) : nullptr;
        const std::uint32_t index = n == 6 ? wire::get32(p + 2) : 0;
        wire::RawRecord raw{};
        if (c && index < c->records.size() && wire::encodeRecord(c->records[index], raw)) {
            reply = status(wire::Ok) +
                    QByteArray(reinterpret_cast<const char*>(raw.data()), qsizetype(raw.size()));
        } else {
            reply = status(wire::Failed);
        }
        if (n == 6)
            detail = u"class %1 record %2"_s.arg(wire::get16(p)).arg(index);
        break;
    }
    case wire::ReadRecords: {
        const SchoolClass* c = n == 7 ? state.classAt(int(wire::get16(p))) : nullptr;
        const std::uint32_t first = n == 7 ? wire::get32(p + 2) : 0;
        const std::size_t wanted =
            n == 7 ? std::min<std::size_t>(p[6], wire::MaxRecordsPerReply) : 0;
        QByteArray records;
        int count = 0;
        for (std::size_t i = 0; c && i < wanted && first + i < c->records.size(); ++i) {
            wire::RawRecord raw{};
            if (!wire::encodeRecord(c->records[first + i], raw))
                break;
            records.append(reinterpret_cast<const char*>(raw.data()), qsizetype(raw.size()));
            ++count;
        }
        reply = status(count > 0 ? wire::Ok : wire::Failed) + char(count) + records;
        if (n == 7)
            detail = u"class %1 records %2..+%3"_s.arg(wire::get16(p)).arg(first).arg(count);
        break;
    }
    case wire::Format:
        reply = status(store(InstrumentState::planFormat()));
        break;
    case wire::Goodbye:
        reply = status(wire::Ok);
        *closeAfter = true;
        break;
    default:
        reply = status(wire::Refused);
        break;
    }
    logLine(u"%1%2 -> %3"_s
                .arg(QLatin1String(commandName(command)),
                     detail.isEmpty() ? QString() : u" ("_s + detail + u')')
                .arg(int(quint8(reply.at(0)))));
    return reply;
}

} // namespace sorvik::instrument
