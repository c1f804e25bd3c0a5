#include "CDlgValueHistory.h"

#include "DialogUnits.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

CDlgValueHistory::CDlgValueHistory(qint64 stuId, const QString& caption, QWidget* pParent)
    : QDialog(pParent), m_history(theDB, stuId), m_table(new QTableWidget(this))
{
    setObjectName(QStringLiteral("CDlgValueHistory"));
    setFont(platform::dialogFont());
    setWindowTitle(QStringLiteral("成绩历史 - %1").arg(caption));
    resize(640, 400);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    // Only an entry the user has selected is put back: the table's current row is set by
    // focus alone and would put back the oldest entry unasked.
    auto* putBack = new QPushButton(QStringLiteral("恢复"), this);
    putBack->setEnabled(false);
    auto* back = new QPushButton(QStringLiteral("返回"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(putBack);
    buttons->addWidget(back);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    connect(putBack, &QPushButton::clicked, this, &CDlgValueHistory::OnPutBack);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, putBack,
            [this, putBack] { putBack->setEnabled(!m_table->selectedItems().isEmpty()); });
    if (m_history.load())
        fill();
}

void CDlgValueHistory::fill()
{
    const QStringList heads = PupilHistory::columns();
    const auto& entries = m_history.entries();
    m_table->clear();
    m_table->setColumnCount(int(heads.size()));
    m_table->setRowCount(int(entries.size()));
    m_table->setHorizontalHeaderLabels(heads);
    for (int r = 0; r < int(entries.size()); ++r) {
        const QStringList cells = m_history.cells(entries[size_t(r)]);
        for (int c = 0; c < cells.size(); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    m_table->resizeColumnsToContents();
}

void CDlgValueHistory::OnPutBack()
{
    const QList<QTableWidgetItem*> selected = m_table->selectedItems();
    if (selected.isEmpty())
        return;
    if (m_history.putBack(selected.constFirst()->row()))
        m_changed = true;
    fill();
}
