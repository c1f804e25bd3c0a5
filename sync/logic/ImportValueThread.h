#pragma once

#include "ClassLists.h"
#include "ExchangeWorker.h"
#include "NumberType.h"
#include "ResultHandler.h"

#include <QList>
#include <QString>

#include <memory>

class MachineInterface;
class ProgressView;
class BackupFile;
class ResultBatches;

// Reads every result the instrument holds for the chosen classes, lists each value in the
// progress window, stores it when a database is open and, when asked, writes it to the backup
// file. A double record gives items 1 and 2. Records are read and decoded outside any batch;
// their values are stored and listed in short batches (ResultBatches), so live collection goes
// on beside the import. "关闭" is enabled whichever way the worker ends.
class ImportValueThread final : public ExchangeWorker
{
    Q_OBJECT
public:
    // classes: the chosen list as it was when the import started ("序号" the class index on the
    // instrument, "学生数量" its record count).
    ImportValueThread(std::shared_ptr<MachineInterface> machine, ProgressView& progress,
                      ResultHandler handler, QList<ChosenClass> classes, NumberType numberType,
                      bool writeBackup);

    void run() override;

    // After run(): the backup file written (empty when none), and the records the instrument
    // did not hand out.
    QString backupPath() const { return m_backupPath; }
    int unreadable() const { return m_unreadable; }

private:
    void importClass(const ChosenClass& schoolClass, BackupFile& backup, ResultBatches& batches);

    std::shared_ptr<MachineInterface> m_machine;
    ProgressView& m_progress;
    ResultHandler m_handler;
    QList<ChosenClass> m_classes;
    NumberType m_numberType;
    bool m_writeBackup;
    QString m_backupPath;
    int m_unreadable = 0;
};
