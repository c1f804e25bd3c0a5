#include "CPelkanRFCard.h"

#include "CardReaderProfile.h"
#include "CardReaderSource.h"

using sorvik::cardreader::CardReaderSource;

CPelkanRFCard::CPelkanRFCard(QObject* parent) : QObject(parent) {}

CPelkanRFCard::~CPelkanRFCard() = default;

bool CPelkanRFCard::isOpen() const
{
    return m_source && m_source->isOpen();
}

bool CPelkanRFCard::ReadCard()
{
    if (!isOpen())
        return false;
    if (const std::optional<QString> number = m_source->takeCardNumber())
        m_strCardNumber = *number;
    return true;
}

bool CPelkanRFCard::OpenReader()
{
    if (isOpen())
        return true;
    m_source = sorvik::cardreader::makeCardReaderSource(maintenance::loadCardReaderSettings());
    m_strOpenError.clear();
    if (!m_source->open(&m_strOpenError)) {
        m_source.reset();
        return false;
    }
    connect(m_source.get(), &CardReaderSource::lost, this, &CPelkanRFCard::readerLost,
            Qt::QueuedConnection);
    return true;
}

bool CPelkanRFCard::CloseReader()
{
    if (m_source)
        m_source->close();
    m_source.reset();
    return true;
}
