#include "ReportList.h"

#include "ReportListModel.h"
#include "ThreadCall.h"

#include <QHeaderView>
#include <QItemSelectionModel>

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

void ReportList::setColumns(const QList<QPair<QString, int>>& columns)
{
    callOnThreadOf(this, [&] {
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
    return callOnThreadOf(this, [&] {
        const int at = m_model->insertRowAt(index, text);
        notifyCount(m_model->rowCount());
        return at;
    });
}

void ReportList::setCell(int row, int column, const QString& text)
{
    callOnThreadOf(this, [&] { m_model->setCell(row, column, text); });
}

QString ReportList::cell(int row, int column) const
{
    return callOnThreadOf(this, [&] { return m_model->cell(row, column); });
}

int ReportList::rowCount() const
{
    return callOnThreadOf(this, [&] { return m_model->rowCount(); });
}

QList<int> ReportList::selectedRows() const
{
    QList<int> rows = callOnThreadOf(this, [&] {
        QList<int> selected;
        for (const QModelIndex& i : selectionModel()->selectedRows())
            selected << i.row();
        return selected;
    });
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ReportList::deleteRow(int row)
{
    callOnThreadOf(this, [&] {
        if (row < 0 || row >= m_model->rowCount())
            return;
        notifyCount(m_model->rowCount() - 1);
        m_model->removeRowAt(row);
    });
}

void ReportList::deleteAll()
{
    callOnThreadOf(this, [&] {
        while (m_model->rowCount() > 0) {
            notifyCount(m_model->rowCount() - 1);
            m_model->removeRowAt(m_model->rowCount() - 1);
        }
    });
}

void ReportList::setRowKey(int row, qint64 key)
{
    callOnThreadOf(this, [&] { m_model->setRowKey(row, key); });
}

std::optional<qint64> ReportList::rowKey(int row) const
{
    return callOnThreadOf(this, [&] { return m_model->rowKey(row); });
}

void ReportList::selectRows(const QList<int>& rows)
{
    callOnThreadOf(this, [&] {
        clearSelection();
        for (int r : rows)
            selectionModel()->select(m_model->index(r, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    });
}

} // namespace platform
