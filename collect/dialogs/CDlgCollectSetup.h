#pragma once

#include "CollectorSettings.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLineEdit;
class QSpinBox;

// The collector's settings: where results come from (network, serial port or simulator) and
// the details of each. Ends with Accepted only with settings that can be used.
class CDlgCollectSetup : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdOk = 1,
        IdCancel = 2,
    };

    explicit CDlgCollectSetup(const sorvik::collector::CollectorSettings& settings,
                              QWidget* parent = nullptr);

    // The settings as shown; meaningful after Accepted.
    sorvik::collector::CollectorSettings settings() const { return m_settings; }

    // Shows the dialog modally over parent: the settings chosen, or none when cancelled. The
    // collector's editor (CQRVCollect::setSetupEditor).
    static std::optional<sorvik::collector::CollectorSettings>
    edit(const sorvik::collector::CollectorSettings& saved, QWidget* parent);

private:
    void OnSourceChanged();
    void OnOK();

    sorvik::collector::CollectorSettings m_settings;
    QComboBox* m_comboSource;
    QLineEdit* m_editAddress;
    QSpinBox* m_spinPort;
    QComboBox* m_comboDevice;
    QComboBox* m_comboBaud;
    QSpinBox* m_spinRate;
    QComboBox* m_comboIdentifiers;
};
