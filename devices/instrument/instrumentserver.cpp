#include "instrumentserver.h"

#include "simulator.h"

#include <QDateTime>
#include <QHostAddress>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>

namespace sorvik::instrument
{

namespace
{

using namespace Qt::StringLiterals;

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

void append(QByteArray& out, const std::vector<std::uint8_t>& bytes)
{
    out.append(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
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

} // namespace

InstrumentServer::InstrumentServer(InstrumentState& state, QObject* parent)
    : QObject(parent), state_(state)
{
    connect(&server_, &QTcpServer::newConnection, this, &InstrumentServer::acceptConnection);
}

void InstrumentServer::testPupilsEvery(int milliseconds)
{
    testing_.setInterval(milliseconds);
    connect(&testing_, &QTimer::timeout, this, [this] {
        QString error;
        // Nothing to do until the station has downloaded pupils.
        if (state_.pupilCount() == 0 ||
            !simulateResults(state_, 1, QRandomGenerator::global()->generate(),
                             QDate::currentDate(), &error))
            return;
        persist();
        logLine(u"a pupil was tested"_s);
    });
    testing_.start();
}

bool InstrumentServer::listen(quint16 port, QString* error)
{
    if (!server_.listen(QHostAddress::LocalHost, port)) {
        *error = server_.errorString();
        return false;
    }
    return true;
}

void InstrumentServer::acceptConnection()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        // A new handshake takes the line over: the old station may have crashed or left a
        // half-open connection behind, and a real instrument has only one cable.
        if (client_) {
            logLine(u"new station connected, dropping the previous one"_s);
            client_->disconnect(this);
            client_->abort();
            client_->deleteLater();
        }
        client_ = socket;
        buffer_.clear();
        logLine(u"station connected from %1:%2"_s.arg(socket->peerAddress().toString())
                    .arg(socket->peerPort()));
        connect(socket, &QTcpSocket::readyRead, this, &InstrumentServer::readRequests);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            logLine(u"station disconnected"_s);
            socket->deleteLater();
        });
    }
}

void InstrumentServer::readRequests()
{
    QTcpSocket* socket = client_;
    if (!socket)
        return;
    buffer_.append(socket->readAll());
    while (buffer_.size() >= qsizetype(wire::HeaderSize)) {
        const auto* h = bytes(buffer_);
        const std::size_t size = wire::get16(h + 3);
        if (h[0] != wire::Magic0 || h[1] != wire::Magic1 || size > wire::MaxPayload) {
            logLine(u"garbage from the station, closing the connection"_s);
            buffer_.clear();
            socket->abort();
            return;
        }
        if (buffer_.size() < qsizetype(wire::HeaderSize + size))
            return;
        const quint8 command = h[2];
        const QByteArray payload = buffer_.mid(wire::HeaderSize, qsizetype(size));
        buffer_.remove(0, qsizetype(wire::HeaderSize + size));
        bool closeAfter = false;
        const QByteArray reply = handle(command, payload, &closeAfter);
        QByteArray out;
        append(out, wire::frame(command | wire::ReplyBit,
                                std::vector<std::uint8_t>(reply.begin(), reply.end())));
        socket->write(out);
        if (closeAfter) {
            socket->disconnectFromHost();
            return;
        }
    }
}

QByteArray InstrumentServer::handle(quint8 command, const QByteArray& payload, bool* closeAfter)
{
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
        const wire::Status s = state_.addClass(payload.mid(2), size);
        detail = u"%1 pupils, name %2"_s.arg(size).arg(QString::fromLatin1(payload.mid(2).toHex()));
        if (s == wire::Ok)
            persist();
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
        const wire::Status s = state_.addPupil(number, payload.mid(1 + numberSize));
        detail = u"number %1"_s.arg(QString::fromLatin1(number.toHex()));
        if (s == wire::Ok)
            persist();
        reply = status(s);
        break;
    }
    case wire::Counts:
        reply = status(wire::Ok) + u16(unsigned(state_.classCount())) +
                u16(unsigned(state_.pupilCount()));
        break;
    case wire::Counts2:
        reply = status(wire::Ok) + u16(unsigned(state_.classCount())) +
                u32(std::uint32_t(state_.recordCount()));
        break;
    case wire::ClassInfo: {
        const SchoolClass* c = n == 2 ? state_.classAt(int(wire::get16(p))) : nullptr;
        detail = n == 2 ? QString::number(wire::get16(p)) : QString();
        reply = c ? status(wire::Ok) + u32(std::uint32_t(c->records.size())) + c->name
                  : status(wire::Failed);
        break;
    }
    case wire::ReadRecord: {
        const SchoolClass* c = n == 6 ? state_.classAt(int(wire::get16(p))) : nullptr;
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
        const SchoolClass* c = n == 7 ? state_.classAt(int(wire::get16(p))) : nullptr;
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
        state_.format();
        persist();
        reply = status(wire::Ok);
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

void InstrumentServer::persist()
{
    QString error;
    if (!state_.save(&error))
        logLine(u"ERROR: "_s + error);
}

} // namespace sorvik::instrument
