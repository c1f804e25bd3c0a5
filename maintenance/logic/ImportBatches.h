#pragma once

#include "Batch.h"
#include "CDB.h"
#include "MessageService.h"

#include <QList>

#include <functional>
#include <optional>

class QThread;

// The writes of an import in short batches, with the rows of the result list held back until
// their batch is committed: the list never shows a row whose writes were lost.
//
// While it lives it stands in front of the message service: a box shown on the import's thread
// while a batch is open (a store's own error or refusal) commits the batch and shows the rows
// before it first. So no batch stays open while the teacher reads a message, and rows and
// messages come in the order of the workbook's rows.
class ImportBatches final : public platform::MessageService
{
public:
    ImportBatches(const CDB& db, int iRowsPerBatch);
    ~ImportBatches() override;
    ImportBatches(const ImportBatches&) = delete;
    ImportBatches& operator=(const ImportBatches&) = delete;

    // Before a row's writes: opens a batch unless one is open.
    void beginRow();
    // What the row shows once it is stored (a list row, a count).
    void addShown(std::function<void()> show);
    // After a row's writes: commits when the batch is full. True when a batch was committed.
    bool endRow();
    // Commits the open batch and shows its rows; nothing to do without one.
    void flush();
    // True after a commit failed (reported by the batch): the rows since the commit before
    // were not stored and are not shown; the import must stop.
    bool failed() const { return m_bFailed; }

    platform::Answer show(const QString& text, const QString& caption, platform::Icon icon,
                          platform::Buttons buttons, QObject* owner) override;

private:
    CDB m_db;
    int m_iRowsPerBatch;
    std::optional<store::Batch> m_batch;
    QList<std::function<void()>> m_shown;
    int m_iRowsInBatch = 0;
    bool m_bFlushing = false;
    bool m_bFailed = false;
    platform::MessageService* m_pInner;
    QThread* m_pThread;
};
