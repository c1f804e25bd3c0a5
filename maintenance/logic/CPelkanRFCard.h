#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace sorvik::cardreader
{
class CardReaderSource;
}

// The RF card reader control: the four members the card editing dialog calls, over the reader
// chosen in the settings' [cardreader] section (a serial reader, or a simulated one fed from a
// file or a named pipe). It shows nothing.
class CPelkanRFCard : public QObject
{
    Q_OBJECT
public:
    explicit CPelkanRFCard(QObject* parent = nullptr);
    ~CPelkanRFCard() override;

    // The card number last read; empty when no new card was read since it was last emptied.
    QString CardNumber() const { return m_strCardNumber; }
    void SetCardNumber(const QString& strCardNumber) { m_strCardNumber = strCardNumber; }
    // Takes what the reader has sent: the latest card number read becomes CardNumber. False
    // while the reader is off.
    bool ReadCard();
    // Switches the reader of the saved settings on; false when it cannot be opened (see
    // openError()). True when it is on already.
    bool OpenReader();
    // Switches the reader off; true also when it was off.
    bool CloseReader();

    bool isOpen() const;
    // Why the last OpenReader failed, in words; empty after one that worked.
    QString openError() const { return m_strOpenError; }

signals:
    // The reader went away while on (device unplugged); it is off now. Queued: never emitted
    // from inside a call to this control.
    void readerLost(const QString& reason);

private:
    std::unique_ptr<sorvik::cardreader::CardReaderSource> m_source;
    QString m_strCardNumber;
    QString m_strOpenError;
};
