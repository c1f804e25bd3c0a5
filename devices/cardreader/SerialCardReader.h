#pragma once

#include "CardReaderSource.h"

#include <QSerialPort>

namespace sorvik::cardreader
{

// A card reader on a serial line (8 data bits, no parity, one stop bit) that sends each card
// number read as one line.
class SerialCardReader final : public CardReaderSource
{
    Q_OBJECT
public:
    SerialCardReader(const QString& device, qint32 baud, QObject* parent = nullptr);
    ~SerialCardReader() override;

    bool open(QString* error) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    QString describe() const override;

protected:
    void readAvailable() override;

private:
    void onError(QSerialPort::SerialPortError error);

    QString m_device;
    qint32 m_baud;
    QSerialPort m_port;
    int m_readErrors = 0; // failed reads since bytes last came
    static constexpr int kReadErrorsOfLostLine = 3;
};

} // namespace sorvik::cardreader
