#pragma once

#include "CollectorSource.h"
#include "RecordBuffer.h"

#include <QSerialPort>

namespace sorvik::collector
{

// Records from a serial line (8 data bits, no parity, one stop bit).
class SerialCollectorSource final : public CollectorSource
{
    Q_OBJECT
public:
    SerialCollectorSource(const QString& device, qint32 baud, QObject* parent = nullptr);
    ~SerialCollectorSource() override;

    bool start(QString* error) override;
    void stop() override;
    bool isActive() const override { return m_port.isOpen(); }
    QByteArray takeRecords() override;
    QString describe() const override;

    // Bytes received of a record not yet complete.
    qsizetype unfinishedBytes() const { return m_buffer.tailSize(); }

private:
    void readAvailable();
    void onError(QSerialPort::SerialPortError error);

    QString m_device;
    qint32 m_baud;
    QSerialPort m_port;
    RecordBuffer m_buffer;
    QByteArray m_records;
    int m_readErrors = 0; // failed reads since the last bytes came
    static constexpr int kReadErrorsOfLostLine = 3;
};

} // namespace sorvik::collector
