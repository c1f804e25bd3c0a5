#include "ConversionProgressWindow.h"

#include "DialogUnits.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

ConversionProgressWindow::ConversionProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("conversionProgress"));
    setWindowTitle(QStringLiteral("转换数据库"));
    setFont(platform::dialogFont());
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setWordWrap(true);
    layout->addWidget(m_text);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("conversionBar"));
    layout->addWidget(m_bar);
    platform::sizeInDialogUnits(this, 260, 60);
}

void ConversionProgressWindow::begin(const QString& text)
{
    m_text->setText(text);
    m_bar->setRange(0, 0); // busy until the first count arrives
    show();
    raise();
}

void ConversionProgressWindow::advance(qint64 done, qint64 total)
{
    if (total <= 0)
        return;
    m_bar->setRange(0, 1000);
    m_bar->setValue(static_cast<int>(qBound(qint64(0), done * 1000 / total, qint64(1000))));
}

void ConversionProgressWindow::end()
{
    hide();
}
