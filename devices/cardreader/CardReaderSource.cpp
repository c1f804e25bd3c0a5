#include "CardReaderSource.h"

#include "SerialCardReader.h"
#include "SimulatedCardReader.h"

namespace sorvik::cardreader
{

std::optional<QString> CardReaderSource::takeCardNumber()
{
    if (isOpen())
        readAvailable();
    return std::exchange(m_latest, std::nullopt);
}

void CardReaderSource::received(const QByteArray& bytes)
{
    m_partial += bytes;
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        QByteArray line = m_partial.left(end);
        m_partial.remove(0, end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            m_latest = QString::fromUtf8(line);
    }
    if (m_partial.size() > kMaxLineBytes)
        m_partial.clear();
}

std::unique_ptr<CardReaderSource> makeCardReaderSource(const CardReaderSettings& settings)
{
    if (settings.source == SourceKind::Simulated)
        return std::make_unique<SimulatedCardReader>(settings.feed);
    return std::make_unique<SerialCardReader>(settings.device, settings.baud);
}

} // namespace sorvik::cardreader
