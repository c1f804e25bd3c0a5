#pragma once

#include <QString>

class ExchangeThread;
class PleaseWaitView;
class QObject;

// What the synchronisation dialog decides, apart from its window.
class SyncHub
{
public:
    static QString title();
    static QString bannerText();

    // owner: the dialog that owns the message boxes.
    explicit SyncHub(QObject* owner = nullptr) : m_owner(owner) {}

    // The class download needs the database: tells the user when none is open.
    bool checkDatabase() const;

    // Asks whether everything on the instrument shall go; true only on Yes.
    bool confirmClearing() const;

    // Starts FormatThread on thread behind the shown please-wait window (windowObject is the
    // same window as a QObject, served while the thread stops). False when another exchange
    // runs; then nothing starts.
    bool startClearing(ExchangeThread& thread, PleaseWaitView& window, QObject* windowObject) const;

private:
    QObject* m_owner;
};
