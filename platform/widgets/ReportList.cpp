#include "ReportList.h"

#include "ReportListModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QThread>

#include <algorithm>

namespace platform
{

ReportList::ReportList(QWidget* parent) : QTableView(parent), m_model(new ReportListModel(this))
{
    setModel(m_model);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

void ReportList::onUiThread(const std::function<void()>& work) const
{
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(const_cast<ReportList*>(this), work, Qt::BlockingQueuedConnection);
}

void ReportList::setColumns(const QList<QPair<QString, int>>& columns)
{
    onUiThread([&] {
        m_model->removeAll();
        QStringList titles;
        for (const auto& c : columns)
            titles << c.first;
        m_model->setColumns(titles);
        for (int i = 0; i < columns.size(); ++i)
            setColumnWidth(i, columns.at(i).second);
    });
}

int ReportList::insertRow(int index, const QString& text)
{
    int at = 0;
    onUiThread([&] {
        at = m_model->insertRowAt(index, text);
        notifyCount(m_model->rowCount());
    });
    return at;
}

void ReportList::setCell(int row, int column, const QString& text)
{
    onUiThread([&] { m_model->setCell(row, column, text); });
}

QString ReportList::cell(int row, int column) const
{
    QString out;
    onUiThread([&] { out = m_model->cell(row, column); });
    return out;
}

int ReportList::rowCount() const
{
    int n = 0;
    onUiThread([&] { n = m_model->rowCount(); });
    return n;
}

QList<int> ReportList::selectedRows() const
{
    QList<int> rows;
    onUiThread([&] {
        for (const QModelIndex& i : selectionModel()->selectedRows())
            rows << i.row();
    });
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ReportList::deleteRow(int row)
{
    onUiThread([&] {
        if (row < 0 || row >= m_model->rowCount())
            return;
        notifyCount(m_model->rowCount() - 1);
        m_model->removeRowAt(row);
    });
}

void ReportList::deleteAll()
{
    onUiThread([&] {
        while (m_model->rowCount() > 0) {
            notifyCount(m_model->rowCount() - 1);
            m_model->removeRowAt(m_model->rowCount() - 1);
        }
    });
}

void ReportList::selectRows(const QList<int>& rows)
{
    onUiThread([&] {
        clearSelection();
        for (int r : rows)
            selectionModel()->select(m_model->index(r, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    });
}

} // namespace platform
