#include "ImportValueThread.h"

#include "BackupFile.h"
#include "Clock.h"
#include "Gbk.h"
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
const QString kUndecodable = QStringLiteral("无法解码的记录");
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
    m_undecodable = 0;
    m_moreThanCounted.clear();
    if (m_classes.isEmpty()) {
        platform::appMessage(QStringLiteral("没有选择导入的班级."));
        return;
    }
    // Made before the exchange begins: the instrument does not wait while the user reads why
    // there is none.
    BackupFile backup;
    if (m_writeBackup) {
        if (backup.create(started))
            m_backupPath = backup.path();
        else
            platform::appMessage(
                noBackupText(BackupFile::folders(QString::fromLatin1(BackupFile::kSubfolder))));
    }
    m_machine->CMD0_Handshake();
    int total = 0;
    for (const ChosenClass& c : std::as_const(m_classes))
        total += c.count;
    progress.start(total);

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
    const QString text = endText(backup);
    if (!text.isEmpty() && !interruptionRequested())
        platform::appMessage(text);
}

QString ImportValueThread::noBackupText(const QStringList& folders)
{
    return QStringLiteral(
               "无法创建备份文件,以下文件夹都不能写入:\n%1\n导入照常进行,成绩不会写入备份文件.")
        .arg(folders.join(QLatin1Char('\n')));
}

QString ImportValueThread::endText(const BackupFile& backup) const
{
    QStringList lines;
    if (m_unreadable > 0)
        lines << QStringLiteral("有%1条成绩没有从仪器读出.").arg(m_unreadable);
    if (m_undecodable > 0)
        lines << QStringLiteral("有%1条成绩无法解码,列表中标为\"%2\",没有保存.")
                     .arg(m_undecodable)
                     .arg(kUndecodable);
    for (const ChosenClass& c : m_moreThanCounted)
        lines << QStringLiteral("%1: 仪器中的成绩多于%2条,多出的没有导入,请重新查看仪器.")
                     .arg(c.name)
                     .arg(c.count);
    if (backup.failed())
        lines << QStringLiteral("备份文件%1没有写完,此后的成绩没有写入备份文件.").arg(m_backupPath);
    return lines.join(QLatin1Char('\n'));
}

bool ImportValueThread::hasRecord(int classIndex, int recordIndex)
{
    RawRecord raw;
    m_machine->CMD5_ReadTestValue(classIndex, recordIndex, raw);
    // The buffer stays zero when the instrument gave nothing.
    return std::any_of(raw.begin(), raw.end(), [](unsigned char b) { return b != 0; });
}

void ImportValueThread::importClass(const ChosenClass& schoolClass, BackupFile& backup,
                                    ResultBatches& batches)
{
    m_handler.setHistorySource({store::ValueSource::Instrument, schoolClass.name});
    const int classIndex = static_cast<int>(platform::atolC(schoolClass.number));

    for (int r = 0; r < schoolClass.count; ++r) {
        if (interruptionRequested())
            break;
        RawRecord raw;
        m_machine->CMD5_ReadTestValue(classIndex, r, raw);
        if (std::all_of(raw.begin(), raw.end(), [](unsigned char b) { return b == 0; })) {
            ++m_unreadable;
            continue;
        }
        DecodedRecord record;
        // A record without a number names nobody and would only be matched to a pupil without
        // one: listed with what is known, like one the library refused.
        if (m_machine->qrv_dll_DecodeOneValue(raw, record) == 0 || record.number.isEmpty()) {
            ++m_undecodable;
            backup.write(record.number, record.itemCode, record.value);
            batches.listUnstored(
                {platform::fromGbk(record.number), kUndecodable,
                 record.itemCode != 0 ? QString::number(record.itemCode) : QString(),
                 platform::fromGbk(record.value), QString(), QString()});
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
    // The count comes as 16 bits from the library (and was read when the list was): a class
    // that holds more is said, not imported partly in silence.
    if (!interruptionRequested() && hasRecord(classIndex, schoolClass.count))
        m_moreThanCounted.append(schoolClass);
}
