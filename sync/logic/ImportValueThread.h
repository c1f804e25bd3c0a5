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
// on beside the import. A record the library cannot decode is listed and written with what is
// known, and stored nowhere. What did not come over (records not handed out or not decoded,
// more records than the class count said, a backup file not made or not finished) is told in
// one message at the end; a backup file that cannot be made is told before the first record is
// read. "关闭" is enabled whichever way the worker ends.
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

    // After run(): the backup file written (empty when none), the records the instrument did
    // not hand out, those the library could not decode, and the classes that held more records
    // than their count.
    QString backupPath() const { return m_backupPath; }
    int unreadable() const { return m_unreadable; }
    int undecodable() const { return m_undecodable; }
    QList<ChosenClass> moreThanCounted() const { return m_moreThanCounted; }

    // Told before the import when "记录数据" is ticked and no folder takes the backup file.
    static QString noBackupText(const QStringList& folders);

private:
    void importClass(const ChosenClass& schoolClass, BackupFile& backup, ResultBatches& batches);
    // Whether the instrument hands out a record at that index.
    bool hasRecord(int classIndex, int recordIndex);
    QString endText(const BackupFile& backup) const;

    std::shared_ptr<MachineInterface> m_machine;
    ProgressView& m_progress;
    ResultHandler m_handler;
    QList<ChosenClass> m_classes;
    NumberType m_numberType;
    bool m_writeBackup;
    QString m_backupPath;
    int m_unreadable = 0;
    int m_undecodable = 0;
    QList<ChosenClass> m_moreThanCounted;
};
