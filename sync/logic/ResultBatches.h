#pragma once

#include "NumberType.h"
#include "ReportHold.h"
#include "ResultHandler.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

#include <vector>

class TransferProgress;

// The values of a result import, stored in short batches. A batch holds the database only while
// its values are looked up and written: nothing in it waits for another thread or for the user,
// so live collection goes on beside the import. The rows of a batch are listed once it ended,
// each marked "  未设置" when the batch could not be kept.
class ResultBatches
{
public:
    static constexpr int kValuesPerBatch = 100;

    ResultBatches(ResultHandler& handler, TransferProgress& progress, NumberType numberType);

    // A value read; stored and listed with the next full batch or flush().
    void add(const QByteArray& number, int itemCode, const QByteArray& value,
             const QDateTime& time);
    // Stores and lists what was added since the last batch.
    void flush();
    // A row that stores nothing (a record that could not be decoded), listed after the values
    // read before it.
    void listUnstored(const QStringList& cells);

    // Values of pupils found whose batch was not kept.
    int notStored() const { return m_notStored; }
    // At the end of the import: each error the stores reported (once, with how often), then,
    // when values were not stored, one message with how many and why; keptWhere tells where
    // the values still are.
    void report(const QString& keptWhere);

private:
    struct Value {
        QByteArray number;
        int itemCode;
        QByteArray value;
        QDateTime time;
        store::HistorySource source; // the handler's when the value was read
    };

    ResultHandler& m_handler;
    TransferProgress& m_progress;
    NumberType m_numberType;
    std::vector<Value> m_values;
    int m_notStored = 0;
    QString m_failure;
    QList<store::ReportHold::Report> m_reports;
};
