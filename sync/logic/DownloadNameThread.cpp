#include "DownloadNameThread.h"

#include "CExcel.h"
#include "Gbk.h"
#include "ListView.h"
#include "MachineInterface.h"
#include "MessageService.h"

#include <optional>

namespace
{
constexpr int kInstrumentFull = 3;
}

DownloadNameThread::DownloadNameThread(std::shared_ptr<MachineInterface> machine,
                                       platform::ListView& list, QString strPath)
    : m_machine(std::move(machine)), m_list(list), m_strPath(std::move(strPath))
{
}

QString DownloadNameThread::className(const QString& strPath)
{
    QString name = strPath.mid(strPath.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

void DownloadNameThread::run()
{
    m_iCount = 0;
    m_notSent = PupilsNotSent();
    CExcel excel;
    // A workbook that cannot be opened has been reported by the reader; its counts are 0.
    excel.Open(m_strPath);
    const QString name = className(m_strPath);
    if (excel.m_lRecordCount == 0 || excel.m_lFieldCount == 0) {
        platform::appMessage(QStringLiteral("没有要下载的内容."));
        return;
    }
    if (m_machine->CMD0_Handshake() != 1) {
        platform::appMessage(QStringLiteral("握手失败!"));
        return;
    }
    const int rows = static_cast<int>(excel.m_lRecordCount);
    const int accepted =
        m_machine->CMD1_WriteOneClass(platform::toGbkCut(name, kClassNameBytes), rows);
    if (accepted == kInstrumentFull) {
        platform::appMessage(QStringLiteral("仪器没有足够的空间!"));
        m_machine->CMD10_Goodbye();
        return;
    }
    if (accepted == 1)
        sendRows(excel, name);
    else
        m_notSent.add(name, PupilsNotSent::forResult(accepted), rows);
    m_machine->CMD10_Goodbye();
    platform::appMessage(QStringLiteral("总共下载学生:%1").arg(m_iCount));
    // Last; not while the station goes down under the worker.
    if (!m_notSent.isEmpty() && !interruptionRequested())
        platform::appMessage(m_notSent.message());
}

void DownloadNameThread::sendRows(CExcel& excel, const QString& strClassName)
{
    std::optional<PupilsNotSent::Reason> stopped; // the instrument stopped taking pupils
    QStringList saCol;
    while (excel.GetRec(saCol)) {
        if (saCol.value(0).isEmpty() || interruptionRequested())
            break;
        if (stopped) {
            // Counted with the pupil the instrument did not take: the rest did not go either.
            m_notSent.add(strClassName, *stopped);
            continue;
        }
        // A sheet of one column has numbers only: they go with empty names.
        const QString number = saCol.at(0).trimmed();
        const QString name = saCol.value(1).trimmed();
        const PupilsNotSent::Encoded pupil = PupilsNotSent::encode(number, name);
        if (pupil.problem) {
            m_notSent.add(strClassName, *pupil.problem);
            continue;
        }
        const int stored = m_machine->CMD2_WriteOneStudent(pupil.number, pupil.name);
        if (stored != 1) {
            stopped = PupilsNotSent::forResult(stored);
            m_notSent.add(strClassName, *stopped);
            continue;
        }
        const int row = m_list.insertRow(m_iCount, number);
        m_list.setCell(row, 1, name);
        m_list.setCell(row, 2, strClassName);
        ++m_iCount;
    }
}
