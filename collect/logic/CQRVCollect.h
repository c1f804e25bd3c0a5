#pragma once

#include "CollectJournal.h"
#include "CollectorSettings.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

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
    // The collector's settings dialog (the installed editor); true when new settings were saved.
    // While collecting, a change of settings takes effect at once. Without an editor nothing is
    // shown and nothing changes.
    bool ShowCollectSetup();
    // The pending records: whole 27-byte GBK records, concatenated, or empty. Readers cut the
    // records by bytes.
    QByteArray ReadCollectData();

    bool isCollecting() const;
    // The journal file that holds every record received today; empty when it cannot be written.
    QString journalPath() const { return m_journal.path(); }
    CollectJournal& journal() { return m_journal; }
    // The settings of the running source (those last started).
    const sorvik::collector::CollectorSettings& activeSettings() const { return m_settings; }
    // The port the running TCP source listens on (the system's choice for port 0); 0 without one.
    quint16 listeningPort() const;

    // Shows the settings dialog with the saved settings; the settings chosen, or none when the
    // user cancelled. The window that owns the collector installs it.
    using SetupEditor = std::function<std::optional<sorvik::collector::CollectorSettings>(
        const sorvik::collector::CollectorSettings& saved)>;
    void setSetupEditor(SetupEditor editor) { m_editor = std::move(editor); }
    // Who the simulator sends results for; by default a sample of the open database's pupils.
    using PupilSampler = std::function<QList<sorvik::collector::SimulatedPupil>(bool byCard)>;
    void setPupilSampler(PupilSampler sampler) { m_sampler = std::move(sampler); }
    // The settings StartCollect starts with; by default those saved in the collector's section.
    using SettingsLoader = std::function<sorvik::collector::CollectorSettings()>;
    void setSettingsLoader(SettingsLoader loader) { m_loader = std::move(loader); }

private:
    bool startSource(const sorvik::collector::CollectorSettings& settings);
    void retireSource();
    QList<sorvik::collector::SimulatedPupil> samplePupils(bool byCard) const;
    void keepInJournal(const QByteArray& records);

    std::unique_ptr<sorvik::collector::CollectorSource> m_source;
    sorvik::collector::CollectorSettings m_settings;
    QByteArray m_carried; // whole records of a retired source, not yet read
    CollectJournal m_journal;
    bool m_journalFailureTold = false;
    SetupEditor m_editor;
    PupilSampler m_sampler;
    SettingsLoader m_loader;
};
