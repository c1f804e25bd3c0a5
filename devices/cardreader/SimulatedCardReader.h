#pragma once

#include "CardReaderSource.h"

namespace sorvik::cardreader
{

// A card reader for demonstrations and tests: card numbers are lines written to a file or a
// named pipe. From a file it takes the lines appended after it was opened (a card held to the
// reader now, not those of earlier days); from a pipe whatever its writers send.
class SimulatedCardReader final : public CardReaderSource
{
    Q_OBJECT
public:
    explicit SimulatedCardReader(const QString& feed, QObject* parent = nullptr);
    ~SimulatedCardReader() override;

    bool open(QString* error) override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }
    QString describe() const override;

protected:
    void readAvailable() override;

private:
    QString m_feed;
    int m_fd = -1;
    bool m_isPipe = false;
};

} // namespace sorvik::cardreader
