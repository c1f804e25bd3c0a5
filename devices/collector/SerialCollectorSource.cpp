#include "SerialCollectorSource.h"

namespace sorvik::collector
{

SerialCollectorSource::SerialCollectorSource(const QString& device, qint32 baud, QObject* parent)
    : CollectorSource(parent), m_device(device), m_baud(baud)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialCollectorSource::readAvailable);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialCollectorSource::onError);
}

SerialCollectorSource::~SerialCollectorSource()
{
    stop();
}

QString SerialCollectorSource::describe() const
{
    return QStringLiteral("%1 %2").arg(m_device).arg(m_baud);
}

bool SerialCollectorSource::start(QString* error)
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
    return true;
}

void SerialCollectorSource::stop()
{
    if (!m_port.isOpen())
        return;
    readAvailable();
    m_port.close();
    // The line is a new stream when it is opened again.
    m_buffer.dropTail();
}

void SerialCollectorSource::readAvailable()
{
    if (!m_port.isOpen())
        return;
    const QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty())
        m_readErrors = 0;
    m_buffer.append(bytes);
    const QByteArray whole = m_buffer.takeWhole();
    if (!whole.isEmpty()) {
        m_records.append(whole);
        emit recordsReceived(whole);
    }
}

void SerialCollectorSource::onError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen())
        return;
    // A line that hung up (cable pulled, adapter gone) keeps failing every read; a single
    // failed read is passing.
    const bool lost = error == QSerialPort::ResourceError ||
                      (error == QSerialPort::ReadError && ++m_readErrors >= kReadErrorsOfLostLine);
    if (!lost)
        return;
    const QString reason = QStringLiteral("%1: %2").arg(describe(), m_port.errorString());
    stop();
    emit failed(reason);
}

QByteArray SerialCollectorSource::takeRecords()
{
    readAvailable();
    return std::exchange(m_records, QByteArray());
}

} // namespace sorvik::collector
