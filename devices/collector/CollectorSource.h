#pragma once

#include "CollectorSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

namespace sorvik::collector
{

// Where live results come from. A source gathers bytes between start() and stop() and hands
// out whole 27-byte records only: an incomplete record stays inside until its last byte came,
// and records of different streams never interleave inside a record.
class CollectorSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~CollectorSource() override = default;

    // False, with the reason in error, when the source cannot gather (port taken, no device).
    virtual bool start(QString* error) = 0;
    // Stops gathering. Whole records received before stay available to takeRecords().
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // The whole records received since the last call, concatenated, oldest first.
    virtual QByteArray takeRecords() = 0;
    // Short description for messages, e.g. "TCP 127.0.0.1:7027".
    virtual QString describe() const = 0;

signals:
    // The source stopped gathering on its own (device unplugged and the like).
    void failed(const QString& reason);
    // Whole records came in, as they arrive and before anybody takes them (they are among what
    // takeRecords() gives next): the collector keeps them in its journal from here.
    void recordsReceived(const QByteArray& records);
};

// The source the settings ask for, not yet started.
std::unique_ptr<CollectorSource> makeCollectorSource(const CollectorSettings& settings);

} // namespace sorvik::collector
