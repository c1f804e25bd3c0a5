#include "ImportValueThread.h"

#include "BackupFile.h"
#include "Clock.h"
#include "MachineInterface.h"
#include "MessageService.h"
#include "ResultBatches.h"
#include "ResultText.h"
#include "TextRules.h"
#include "TransferProgress.h"

#include <algorithm>

namespace
{
constexpr int kFirstOfDouble = 1;
constexpr int kSecondOfDouble = 2;
} // namespace

ImportValueThread::ImportValueThread(std::shared_ptr<MachineInterface> machine,
                                     ProgressView& progress, ResultHandler handler,
                                     QList<ChosenClass> classes, NumberType numberType,
                                     bool writeBackup)
    : m_machine(std::move(machine)), m_progress(progress), m_handler(std::move(handler)),
      m_classes(std::move(classes)), m_numberType(numberType), m_writeBackup(writeBackup)
{
}

void ImportValueThread::run()
{
    TransferProgress progress(m_progress); // enables "关闭" on every way out
    const QDateTime started = platform::currentDateTime();
    m_backupPath.clear();
    m_unreadable = 0;
    if (m_classes.isEmpty()) {
        platform::appMessage(QStringLiteral("没有选择导入的班级."));
        return;
    }
    m_machine->CMD0_Handshake();
    int total = 0;
    for (const ChosenClass& c : std::as_const(m_classes))
        total += c.count;
    progress.start(total);

    BackupFile backup;
    if (m_writeBackup && backup.create(started))
        m_backupPath = backup.path();

    ResultBatches batches(m_handler, progress, m_numberType);
    for (const ChosenClass& c : std::as_const(m_classes)) {
        if (interruptionRequested())
            break;
        importClass(c, backup, batches);
    }
    batches.flush();
    backup.close();
    m_machine->CMD10_Goodbye();
    QString kept = QStringLiteral("仪器中的成绩没有删除, 可以再次导入。");
    if (!m_backupPath.isEmpty())
        kept += QStringLiteral("\n成绩也记在备份文件中:\n%1").arg(m_backupPath);
    batches.report(kept);
    // Without this the user would take a broken link for an instrument without results.
    if (m_unreadable > 0)
        platform::appMessage(QStringLiteral("有%1条成绩没有从仪器读出.").arg(m_unreadable));
}

void ImportValueThread::importClass(const ChosenClass& schoolClass, BackupFile& backup,
                                    ResultBatches& batches)
{
    const int classIndex = static_cast<int>(platform::atolC(schoolClass.number));

    for (int r = 0; r < schoolClass.count; ++r) {
        if (interruptionRequested())
            break;
        RawRecord raw;
        m_machine->CMD5_ReadTestValue(classIndex, r, raw);
        // The buffer stays zero when the instrument gave nothing; a record without a number
        // names nobody and would only be matched to a pupil without one.
        if (std::all_of(raw.begin(), raw.end(), [](unsigned char b) { return b == 0; })) {
            ++m_unreadable;
            continue;
        }
        DecodedRecord record;
        m_machine->qrv_dll_DecodeOneValue(raw, record);
        if (record.number.isEmpty()) {
            ++m_unreadable;
            continue;
        }
        if (record.isDouble()) {
            const QByteArray second = record.secondValue();
            backup.write(record.number, kFirstOfDouble, record.value);
            backup.write(record.number, kSecondOfDouble, second);
            const QDateTime now = platform::currentDateTime();
            batches.add(record.number, kFirstOfDouble, record.value, now);
            batches.add(record.number, kSecondOfDouble, second, now);
        } else {
            backup.write(record.number, record.itemCode, record.value);
            batches.add(record.number, record.itemCode, record.value,
                        ResultText::recordTime(record.time));
        }
    }
}
