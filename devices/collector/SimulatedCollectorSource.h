#pragma once

#include "CollectorSource.h"

#include <QElapsedTimer>
#include <QList>
#include <QRandomGenerator>
#include <QTimer>

namespace sorvik::collector
{

// A pupil the simulator may send results for: the identifier the instruments would send (GBK,
// at most 20 bytes) and the items it may invent values of.
struct SimulatedPupil {
    QByteArray identifier;
    QList<int> items;
};

// Invents plausible results at a steady rate, for demonstrations and training.
class SimulatedCollectorSource final : public CollectorSource
{
    Q_OBJECT
public:
    explicit SimulatedCollectorSource(int recordsPerMinute, QObject* parent = nullptr);

    // Pupils to send results for. Identifiers longer than 20 bytes are left out; items outside
    // 0..99 do not fit the record and are left out too. Without pupils the simulator invents
    // student numbers.
    void setPupils(const QList<SimulatedPupil>& pupils);
    // Items for pupils that bring none of their own.
    void setItems(const QList<int>& items);
    void setSeed(quint32 seed) { m_random.seed(seed); }

    bool start(QString* error) override;
    void stop() override;
    bool isActive() const override { return m_timer.isActive(); }
    QByteArray takeRecords() override { return std::exchange(m_records, QByteArray()); }
    QString describe() const override;

    // Invents count records now; the timer calls it as records fall due.
    void generate(int count);

private:
    void onTimer();
    QByteArray inventIdentifier();

    int m_rate;
    QList<SimulatedPupil> m_pupils;
    QList<int> m_items;
    QRandomGenerator m_random;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_produced = 0;
    QByteArray m_records;
};

// A plausible value field (5 bytes, blank-padded on the left) for the item: decimal text with
// the item's usual precision; for item 6 (50 m run) hundredths of a second without the point,
// which the station puts back.
QByteArray simulatedValue(int itemNO, QRandomGenerator& random);

} // namespace sorvik::collector
