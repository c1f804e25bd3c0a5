#pragma once

#include "CollectorSettings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QWidget;

namespace sorvik::collector
{
class CollectorSource;
struct SimulatedPupil;
} // namespace sorvik::collector

// The collector: gathers the results of online instruments from the source chosen in its
// settings (TCP listener, serial port or simulator) and hands them out as whole records.
class CQRVCollect : public QObject
{
    Q_OBJECT
public:
    explicit CQRVCollect(QObject* parent = nullptr);
    ~CQRVCollect() override;

    // Starts the source of the saved settings; true while it gathers. A source that cannot
    // start is reported to the user and gives false.
    bool StartCollect();
    // Stops gathering. Records received and not yet read stay for the next ReadCollectData.
    bool StopCollect();
    // The collector's settings dialog; true when new settings were saved. While collecting, a
    // change of settings takes effect at once.
    bool ShowCollectSetup();
    // The pending records: whole 27-byte GBK records, concatenated, or empty. Readers cut the
    // records by bytes.
    QByteArray ReadCollectData();

    bool isCollecting() const;
    // The settings of the running source (those last started).
    const sorvik::collector::CollectorSettings& activeSettings() const { return m_settings; }

    void setDialogParent(QWidget* parent) { m_dialogParent = parent; }
    // Who the simulator sends results for; by default a sample of the open database's pupils.
    using PupilSampler = std::function<QList<sorvik::collector::SimulatedPupil>(bool byCard)>;
    void setPupilSampler(PupilSampler sampler) { m_sampler = std::move(sampler); }

private:
    bool startSource(const sorvik::collector::CollectorSettings& settings);
    void retireSource();
    QList<sorvik::collector::SimulatedPupil> samplePupils(bool byCard) const;

    std::unique_ptr<sorvik::collector::CollectorSource> m_source;
    sorvik::collector::CollectorSettings m_settings;
    QByteArray m_carried; // whole records of a retired source, not yet read
    QPointer<QWidget> m_dialogParent;
    PupilSampler m_sampler;
};
