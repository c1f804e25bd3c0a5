#pragma once

#include "ExchangeWorker.h"
#include "NumberType.h"
#include "ResultHandler.h"

#include <QString>

class ProgressView;

// Stores the values of a text file of results (the journal of live collection, or a backup
// file of a result import) as the result import stores what it reads from the instrument: each
// value a row of the progress window, "没有此学生" and "  未设置" as there, stored in short
// batches. So results received for pupils added later, or caught in a crash, can be stored
// afterwards. The file is only read. "关闭" is enabled whichever way the worker ends.
class ImportFileThread final : public ExchangeWorker
{
    Q_OBJECT
public:
    ImportFileThread(QString path, ProgressView& progress, ResultHandler handler,
                     NumberType numberType);

    void run() override;

    // After run(): lines that held no result (reported to the user).
    int unreadable() const { return m_unreadable; }

private:
    QString m_path;
    ProgressView& m_progress;
    ResultHandler m_handler;
    NumberType m_numberType;
    int m_unreadable = 0;
};
