#include "SerialCardReader.h"

namespace sorvik::cardreader
{

SerialCardReader::SerialCardReader(const QString& device, qint32 baud, QObject* parent)
    : CardReaderSource(parent), m_device(device), m_baud(baud)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialCardReader::readAvailable);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialCardReader::onError);
}

SerialCardReader::~SerialCardReader()
{
    close();
}

QString SerialCardReader::describe() const
{
    return QStringLiteral("%1 %2").arg(m_device).arg(m_baud);
}

bool SerialCardReader::open(QString* error)
{
    if (m_port.isOpen())
        return true;
    m_readErrors = 0;
    m_port.setPortName(m_device);
    const bool ok = m_port.open(QIODevice::ReadOnly) && m_port.setBaudRate(m_baud) &&
                    m_port.setDataBits(QSerialPort::Data8) &&
                    m_port.setParity(QSerialPort::NoParity) &&
                    m_port.setStopBits(QSerialPort::OneStop) &&
                    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(describe(), m_port.errorString());
        m_port.close();
        return false;
    }
    // Bytes that waited in the line before the reader was switched on are no card shown now.
    m_port.clear(QSerialPort::Input);
    dropPartialLine();
    return true;
}

void SerialCardReader::close()
{
    if (m_port.isOpen())
        m_port.close();
}

void SerialCardReader::readAvailable()
{
    if (!m_port.isOpen())
        return;
    const QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty())
        m_readErrors = 0;
    received(bytes);
}

void SerialCardReader::onError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen())
        return;
    // A line that hung up (adapter pulled) keeps failing every read; a single failed read is
    // passing.
    const bool gone = error == QSerialPort::ResourceError ||
                      (error == QSerialPort::ReadError && ++m_readErrors >= kReadErrorsOfLostLine);
    if (!gone)
        return;
    const QString reason = QStringLiteral("%1: %2").arg(describe(), m_port.errorString());
    m_port.close();
    emit lost(reason);
}

} // namespace sorvik::cardreader
