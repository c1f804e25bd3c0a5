#include "SimulatedCollectorSource.h"

#include "CollectorRecord.h"

#include <algorithm>

namespace sorvik::collector
{

namespace
{

enum class Form { Whole, Tenths, MinutesSeconds, Hundredths };

struct ItemRange {
    int item;
    double low;
    double high;
    Form form;
};

// Ranges a school sees, from the first grade to the last year of secondary school.
constexpr ItemRange kRanges[] = {
    {1, 110.0, 185.0, Form::Tenths},      // height, cm
    {2, 18.0, 85.0, Form::Tenths},        // weight, kg
    {3, 60.0, 98.0, Form::Tenths},        // sitting height, cm
    {4, 800, 4500, Form::Whole},          // vital capacity, ml
    {5, 55.0, 100.0, Form::Tenths},       // chest, cm
    {6, 650, 1200, Form::Hundredths},     // 50 m run, 1/100 s
    {7, 100, 270, Form::Whole},           // standing long jump, cm
    {8, -5.0, 25.0, Form::Tenths},        // sit and reach, cm
    {9, 8.0, 55.0, Form::Tenths},         // grip, kg
    {10, 10, 60, Form::Whole},            // sit-ups per minute
    {11, 0, 20, Form::Whole},             // pull-ups
    {12, 200, 330, Form::MinutesSeconds}, // 1000 m run, s
    {13, 180, 300, Form::MinutesSeconds}, // 800 m run, s
    {14, 40, 200, Form::Whole},           // rope skipping per minute
    {15, 90, 150, Form::MinutesSeconds},  // 8 x 50 m shuttle, s
    {16, 40.0, 90.0, Form::Tenths},       // step test index
    {17, 3.0, 12.0, Form::Tenths},        // medicine ball, m
    {18, 8.0, 25.0, Form::Tenths},        // basketball dribble, s
    {61, 4.0, 5.3, Form::Tenths},         // eyesight
};

const QList<int> kDefaultItems = {1, 2, 4, 6, 7, 8, 10, 61};

bool fitsRecord(int item)
{
    return item >= 0 && item <= 99;
}

} // namespace

QByteArray simulatedValue(int itemNO, QRandomGenerator& random)
{
    const auto* r = std::find_if(std::begin(kRanges), std::end(kRanges),
                                 [itemNO](const ItemRange& x) { return x.item == itemNO; });
    const ItemRange range = r != std::end(kRanges) ? *r : ItemRange{itemNO, 0, 100, Form::Whole};
    const double v = range.low + random.generateDouble() * (range.high - range.low);
    QByteArray text;
    switch (range.form) {
    case Form::Whole:
    case Form::Hundredths:
        text = QByteArray::number(qRound(v));
        break;
    case Form::Tenths:
        text = QByteArray::number(qRound(v * 10) / 10.0, 'f', 1);
        break;
    case Form::MinutesSeconds: {
        const int s = qRound(v);
        text = QByteArray::number(s / 60) + '.' + QByteArray::number(s % 60).rightJustified(2, '0');
        break;
    }
    }
    return text.rightJustified(kValueBytes, ' ');
}

SimulatedCollectorSource::SimulatedCollectorSource(int recordsPerMinute, QObject* parent)
    : CollectorSource(parent), m_rate(std::max(1, recordsPerMinute)), m_items(kDefaultItems),
      m_random(QRandomGenerator::securelySeeded())
{
    m_timer.setInterval(50);
    connect(&m_timer, &QTimer::timeout, this, &SimulatedCollectorSource::onTimer);
}

void SimulatedCollectorSource::setPupils(const QList<SimulatedPupil>& pupils)
{
    m_pupils.clear();
    for (const SimulatedPupil& p : pupils) {
        if (p.identifier.isEmpty() || p.identifier.size() > kIdentifierBytes)
            continue;
        SimulatedPupil kept{p.identifier, {}};
        std::copy_if(p.items.begin(), p.items.end(), std::back_inserter(kept.items), fitsRecord);
        m_pupils.append(kept);
    }
}

void SimulatedCollectorSource::setItems(const QList<int>& items)
{
    QList<int> kept;
    std::copy_if(items.begin(), items.end(), std::back_inserter(kept), fitsRecord);
    m_items = kept.isEmpty() ? kDefaultItems : kept;
}

QString SimulatedCollectorSource::describe() const
{
    return QStringLiteral("simulator %1/min").arg(m_rate);
}

bool SimulatedCollectorSource::start(QString*)
{
    if (m_timer.isActive())
        return true;
    m_clock.start();
    m_produced = 0;
    m_timer.start();
    return true;
}

void SimulatedCollectorSource::stop()
{
    m_timer.stop();
}

void SimulatedCollectorSource::onTimer()
{
    const qint64 due = m_clock.elapsed() * m_rate / 60000;
    if (due > m_produced) {
        generate(int(due - m_produced));
        m_produced = due;
    }
}

QByteArray SimulatedCollectorSource::inventIdentifier()
{
    return "20" + QByteArray::number(m_random.bounded(100000000)).rightJustified(8, '0');
}

void SimulatedCollectorSource::generate(int count)
{
    QByteArray made;
    made.reserve(qsizetype(count) * kRecordBytes);
    for (int i = 0; i < count; ++i) {
        QByteArray identifier;
        QList<int> items;
        if (!m_pupils.isEmpty()) {
            const SimulatedPupil& p = m_pupils.at(m_random.bounded(int(m_pupils.size())));
            identifier = p.identifier;
            items = p.items;
        } else {
            identifier = inventIdentifier();
        }
        if (items.isEmpty())
            items = m_items;
        const int item = items.at(m_random.bounded(int(items.size())));
        made.append(makeRecord(identifier, item, simulatedValue(item, m_random)));
    }
    m_records.append(made);
    if (!made.isEmpty())
        emit recordsReceived(made);
}

} // namespace sorvik::collector
