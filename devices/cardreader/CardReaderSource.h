#pragma once

#include "CardReaderSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace sorvik::cardreader
{

// Where card numbers come from: a reader that sends one card number a line (LF or CR LF).
// Between open() and close() it gathers lines; takeCardNumber() hands out the latest whole one.
class CardReaderSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~CardReaderSource() override = default;

    // False, with the reason in error, when the reader cannot be opened.
    virtual bool open(QString* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Short description for messages, e.g. "/dev/ttyUSB0 9600".
    virtual QString describe() const = 0;

    // The card number of the latest whole line received since the last call, without its line
    // end; none when no new one came. Of several lines received meanwhile the last counts, as
    // the card last held to the reader. Empty lines are no card.
    std::optional<QString> takeCardNumber();

    // A line that grows longer than this without its end is no card number: it is dropped.
    static constexpr qsizetype kMaxLineBytes = 1024;

signals:
    // The reader went away while open (device unplugged and the like); it is closed now.
    void lost(const QString& reason);

protected:
    // Reads what the reader holds and hands it to received(); called before a number is taken.
    virtual void readAvailable() = 0;
    void received(const QByteArray& bytes);
    // The line begun before is forgotten: the next bytes start a new stream.
    void dropPartialLine() { m_partial.clear(); }

private:
    QByteArray m_partial;
    std::optional<QString> m_latest;
};

// The reader the settings ask for, not yet opened.
std::unique_ptr<CardReaderSource> makeCardReaderSource(const CardReaderSettings& settings);

} // namespace sorvik::cardreader
