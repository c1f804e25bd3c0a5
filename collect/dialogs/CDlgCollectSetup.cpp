#include "CDlgCollectSetup.h"

#include "DialogUnits.h"
#include "MessageService.h"

#include <QComboBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSpinBox>

using platform::placeInDialogUnits;
using sorvik::collector::CollectorSettings;
using sorvik::collector::SourceKind;

namespace
{

const QString kTitle = QStringLiteral("采集设置");

QLabel* label(QWidget* parent, const QString& text, int y)
{
    auto* l = new QLabel(text, parent);
    placeInDialogUnits(l, 7, y + 3, 50, 8);
    return l;
}

} // namespace

CDlgCollectSetup::CDlgCollectSetup(const CollectorSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("CDlgCollectSetup"));
    setFont(platform::dialogFont());
    setWindowTitle(kTitle);
    platform::sizeInDialogUnits(this, 220, 160);

    label(this, QStringLiteral("数据来源"), 8);
    m_comboSource = new QComboBox(this);
    m_comboSource->setObjectName(QStringLiteral("source"));
    m_comboSource->addItem(QStringLiteral("网络 (TCP)"), int(SourceKind::Tcp));
    m_comboSource->addItem(QStringLiteral("串口"), int(SourceKind::Serial));
    m_comboSource->addItem(QStringLiteral("模拟器"), int(SourceKind::Simulator));
    placeInDialogUnits(m_comboSource, 60, 8, 153, 14);

    label(this, QStringLiteral("监听地址"), 28);
    m_editAddress = new QLineEdit(settings.address, this);
    m_editAddress->setObjectName(QStringLiteral("address"));
    placeInDialogUnits(m_editAddress, 60, 28, 153, 14);

    label(this, QStringLiteral("端口"), 46);
    m_spinPort = new QSpinBox(this);
    m_spinPort->setObjectName(QStringLiteral("port"));
    m_spinPort->setRange(1, 65535);
    m_spinPort->setValue(settings.port);
    placeInDialogUnits(m_spinPort, 60, 46, 60, 14);

    label(this, QStringLiteral("串口设备"), 66);
    m_comboDevice = new QComboBox(this);
    m_comboDevice->setObjectName(QStringLiteral("device"));
    m_comboDevice->setEditable(true);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        m_comboDevice->addItem(info.systemLocation());
    m_comboDevice->setEditText(settings.device);
    placeInDialogUnits(m_comboDevice, 60, 66, 153, 14);

    label(this, QStringLiteral("波特率"), 84);
    m_comboBaud = new QComboBox(this);
    m_comboBaud->setObjectName(QStringLiteral("baud"));
    m_comboBaud->setEditable(true);
    m_comboBaud->setValidator(new QIntValidator(1, 4000000, m_comboBaud));
    for (qint32 b : QSerialPortInfo::standardBaudRates())
        m_comboBaud->addItem(QString::number(b));
    m_comboBaud->setEditText(QString::number(settings.baud));
    placeInDialogUnits(m_comboBaud, 60, 84, 60, 14);

    label(this, QStringLiteral("模拟速度"), 104);
    m_spinRate = new QSpinBox(this);
    m_spinRate->setObjectName(QStringLiteral("rate"));
    m_spinRate->setRange(CollectorSettings::kMinRate, CollectorSettings::kMaxRate);
    m_spinRate->setSuffix(QStringLiteral(" 条/分钟"));
    m_spinRate->setValue(settings.rate);
    placeInDialogUnits(m_spinRate, 60, 104, 80, 14);

    label(this, QStringLiteral("模拟编号"), 122);
    m_comboIdentifiers = new QComboBox(this);
    m_comboIdentifiers->setObjectName(QStringLiteral("identifiers"));
    m_comboIdentifiers->addItem(QStringLiteral("学号"));
    m_comboIdentifiers->addItem(QStringLiteral("卡号"));
    m_comboIdentifiers->setCurrentIndex(settings.simulateCards ? 1 : 0);
    placeInDialogUnits(m_comboIdentifiers, 60, 122, 80, 14);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(platform::controlName(IdOk));
    ok->setDefault(true);
    placeInDialogUnits(ok, 95, 140, 56, 14);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(platform::controlName(IdCancel));
    placeInDialogUnits(cancel, 157, 140, 56, 14);

    m_comboSource->setCurrentIndex(m_comboSource->findData(int(settings.source)));
    connect(m_comboSource, &QComboBox::currentIndexChanged, this,
            &CDlgCollectSetup::OnSourceChanged);
    connect(ok, &QPushButton::clicked, this, &CDlgCollectSetup::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    OnSourceChanged();
}

std::optional<CollectorSettings> CDlgCollectSetup::edit(const CollectorSettings& saved,
                                                        QWidget* parent)
{
    CDlgCollectSetup dlg(saved, parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.settings();
}

void CDlgCollectSetup::OnSourceChanged()
{
    const auto kind = SourceKind(m_comboSource->currentData().toInt());
    m_editAddress->setEnabled(kind == SourceKind::Tcp);
    m_spinPort->setEnabled(kind == SourceKind::Tcp);
    m_comboDevice->setEnabled(kind == SourceKind::Serial);
    m_comboBaud->setEnabled(kind == SourceKind::Serial);
    m_spinRate->setEnabled(kind == SourceKind::Simulator);
    m_comboIdentifiers->setEnabled(kind == SourceKind::Simulator);
}

void CDlgCollectSetup::OnOK()
{
    CollectorSettings s = m_settings;
    s.source = SourceKind(m_comboSource->currentData().toInt());
    const QString address = m_editAddress->text().trimmed();
    const QString device = m_comboDevice->currentText().trimmed();
    bool baudOk = false;
    const int baud = m_comboBaud->currentText().trimmed().toInt(&baudOk);
    // Only the fields of the chosen source must be usable; the others are kept as they are.
    if (s.source == SourceKind::Tcp && !sorvik::collector::isListenAddress(address)) {
        platform::dialogMessage(this, kTitle, QStringLiteral("监听地址无效!"),
                                platform::Icon::Stop);
        m_editAddress->setFocus();
        return;
    }
    if (s.source == SourceKind::Serial && device.isEmpty()) {
        platform::dialogMessage(this, kTitle, QStringLiteral("请填写串口设备!"),
                                platform::Icon::Stop);
        m_comboDevice->setFocus();
        return;
    }
    if (s.source == SourceKind::Serial && (!baudOk || baud <= 0)) {
        platform::dialogMessage(this, kTitle, QStringLiteral("波特率无效!"), platform::Icon::Stop);
        m_comboBaud->setFocus();
        return;
    }
    if (sorvik::collector::isListenAddress(address))
        s.address = address;
    s.port = quint16(m_spinPort->value());
    if (!device.isEmpty())
        s.device = device;
    if (baudOk && baud > 0)
        s.baud = baud;
    s.rate = m_spinRate->value();
    s.simulateCards = m_comboIdentifiers->currentIndex() == 1;
    m_settings = s;
    accept();
}
