#include "CQRVCollect.h"

#include "CDB.h"
#include "CollectorProfile.h"
#include "CollectorRecord.h"
#include "CollectorSource.h"
#include "Gbk.h"
#include "MessageService.h"
#include "ProfileSettings.h"
#include "PupilSample.h"
#include "SimulatedCollectorSource.h"
#include "TcpCollectorSource.h"

using sorvik::collector::CollectorSettings;
using sorvik::collector::CollectorSource;
using sorvik::collector::SimulatedCollectorSource;
using sorvik::collector::SimulatedPupil;
using sorvik::collector::SourceKind;
using sorvik::collector::TcpCollectorSource;

namespace
{

constexpr int kSimulatedPupils = 500;

} // namespace

CQRVCollect::CQRVCollect(QObject* parent) : QObject(parent) {}

CQRVCollect::~CQRVCollect()
{
    // The source hands over its last records as it stops: into the journal, still there.
    retireSource();
}

bool CQRVCollect::isCollecting() const
{
    return m_source && m_source->isActive();
}

quint16 CQRVCollect::listeningPort() const
{
    const auto* tcp = qobject_cast<const TcpCollectorSource*>(m_source.get());
    return tcp && tcp->isActive() ? tcp->serverPort() : 0;
}

bool CQRVCollect::StartCollect()
{
    if (isCollecting())
        return true;
    return startSource(m_loader ? m_loader() : collect::loadCollectorSettings());
}

bool CQRVCollect::StopCollect()
{
    retireSource();
    return true;
}

QByteArray CQRVCollect::ReadCollectData()
{
    QByteArray out = std::exchange(m_carried, QByteArray());
    if (m_source)
        out.append(m_source->takeRecords());
    return out;
}

bool CQRVCollect::ShowCollectSetup()
{
    if (!m_editor)
        return false;
    const std::optional<CollectorSettings> edited = m_editor(collect::loadCollectorSettings());
    if (!edited)
        return false;
    const CollectorSettings& chosen = *edited;
    if (!collect::saveCollectorSettings(chosen)) {
        platform::appMessage(
            QStringLiteral("采集设置无法保存到 %1").arg(platform::settingsFilePath()));
        return false;
    }
    if (isCollecting() && chosen != m_settings)
        startSource(chosen);
    return true;
}

void CQRVCollect::retireSource()
{
    if (!m_source)
        return;
    m_source->stop();
    m_carried.append(m_source->takeRecords());
    m_source->disconnect(this);
    m_source.reset();
}

bool CQRVCollect::startSource(const CollectorSettings& settings)
{
    retireSource();
    m_settings = settings;
    std::unique_ptr<CollectorSource> source = sorvik::collector::makeCollectorSource(settings);
    if (settings.source == SourceKind::Simulator) {
        auto* simulator = static_cast<SimulatedCollectorSource*>(source.get());
        simulator->setPupils(samplePupils(settings.simulateCards));
        if (bDBOpen)
            simulator->setItems(store::dictionaryItems(theDB));
    }
    // From the first byte: what arrives is in the journal before anybody handles it.
    connect(source.get(), &CollectorSource::recordsReceived, this, &CQRVCollect::keepInJournal);
    QString error;
    if (!source->start(&error)) {
        platform::appMessage(QStringLiteral("采集无法开始:\n%1").arg(error));
        return false;
    }
    // Queued: the report waits until the source has finished its own handling.
    connect(
        source.get(), &CollectorSource::failed, this,
        [](const QString& reason) {
            platform::appMessage(QStringLiteral("采集已中断:\n%1").arg(reason));
        },
        Qt::QueuedConnection);
    m_source = std::move(source);
    return true;
}

void CQRVCollect::keepInJournal(const QByteArray& records)
{
    if (m_journal.append(records)) {
        m_journalFailureTold = false;
        return;
    }
    if (m_journalFailureTold)
        return;
    m_journalFailureTold = true;
    // Queued: this runs inside the source's own handling of what arrived.
    QMetaObject::invokeMethod(
        this,
        [error = m_journal.error()] {
            platform::appMessage(
                QStringLiteral(
                    "采集记录文件无法写入:\n%1\n成绩照常显示并存入数据库, 但没有另外的记录。")
                    .arg(error));
        },
        Qt::QueuedConnection);
}

QList<SimulatedPupil> CQRVCollect::samplePupils(bool byCard) const
{
    if (m_sampler)
        return m_sampler(byCard);
    QList<SimulatedPupil> out;
    if (!bDBOpen)
        return out;
    for (const store::PupilSample& p : store::samplePupils(theDB, byCard, kSimulatedPupils)) {
        bool ok = false;
        const QByteArray identifier = platform::toGbk(p.identifier, &ok);
        // An identifier the record cannot carry whole would reach nobody.
        if (ok && !identifier.isEmpty() && identifier.size() <= sorvik::collector::kIdentifierBytes)
            out.append({identifier, p.items});
    }
    return out;
}
