#include "ResultBatches.h"

#include "Batch.h"
#include "MessageService.h"
#include "TransferProgress.h"

#include <algorithm>

ResultBatches::ResultBatches(ResultHandler& handler, TransferProgress& progress,
                             NumberType numberType)
    : m_handler(handler), m_progress(progress), m_numberType(numberType)
{
    m_values.reserve(kValuesPerBatch);
}

void ResultBatches::add(const QByteArray& number, int itemCode, const QByteArray& value,
                        const QDateTime& time)
{
    m_values.push_back({number, itemCode, value, time, m_handler.historySource()});
    if (int(m_values.size()) >= kValuesPerBatch)
        flush();
}

void ResultBatches::listUnstored(const QStringList& cells)
{
    flush();
    m_progress.addRow(cells);
}

void ResultBatches::flush()
{
    if (m_values.empty())
        return;
    std::vector<ResultHandler::Handled> rows;
    rows.reserve(m_values.size());
    if (!m_handler.hasDatabase()) {
        for (const Value& v : m_values)
            rows.push_back(
                m_handler.handleValue(v.number, v.itemCode, v.value, v.time, m_numberType));
    } else {
        QString failure;
        QList<store::ReportHold::Report> reports;
        {
            store::ReportHold hold;
            store::Batch batch(m_handler.database(), store::Batch::Options{-1, false});
            const store::HistorySource current = m_handler.historySource();
            for (const Value& v : m_values) {
                m_handler.setHistorySource(v.source);
                rows.push_back(m_handler.handleValue(v.number, v.itemCode, v.value, v.time,
                                                     m_numberType, batch.isOpen()));
            }
            m_handler.setHistorySource(current);
            if (!batch.commit())
                failure = batch.error();
            reports = hold.take();
        }
        if (failure.isEmpty()) {
            for (const store::ReportHold::Report& r : std::as_const(reports)) {
                auto same = std::find_if(m_reports.begin(), m_reports.end(),
                                         [&r](const auto& k) { return k.text == r.text; });
                if (same == m_reports.end())
                    m_reports.append(r);
                else
                    same->count += r.count;
            }
        } else {
            // Nothing of the batch is in the database, whatever the store said of each value.
            for (ResultHandler::Handled& row : rows) {
                if (!row.found)
                    continue;
                if (row.stored)
                    ResultHandler::markNotStored(row.cells);
                ++m_notStored;
            }
            if (m_failure.isEmpty())
                m_failure = failure;
        }
    }
    m_values.clear();
    for (const ResultHandler::Handled& row : rows)
        m_progress.addRow(row.cells);
}

void ResultBatches::report(const QString& keptWhere)
{
    for (const store::ReportHold::Report& r : std::as_const(m_reports))
        platform::appMessage(store::ReportHold::shownText(r));
    m_reports.clear();
    if (m_notStored > 0)
        platform::appMessage(QStringLiteral("有%1条成绩没有存入数据库:\n%2\n%3")
                                 .arg(m_notStored)
                                 .arg(m_failure, keptWhere));
}
